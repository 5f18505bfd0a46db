#!/usr/bin/env python3
"""Analytic SCF gradient against central differences of the energy, run as a user runs them.

For each molecule: one GRADIENT run, then ENERGY runs with every coordinate moved by +-h
(bohr), each building its own adaptive grid, all at the default model with
convergence=1e-8. Prints the largest difference per molecule (hartree/bohr).

  bench/scf_gradient_check.py build/ostrel [h [name ...]]
SCF_CONVERGENCE in the environment replaces 1e-8.
"""
import os
import re
import subprocess
import sys
import tempfile

BOHR = 0.52917721067  # angstrom
MOLECULES = {
    "OH": (2, [(8, 0.0, 0.0, 0.0), (1, 0.0, 0.0, 0.97)]),
    "NO": (2, [(7, 0.0, 0.0, 0.0), (8, 0.0, 0.0, 1.15)]),
    "CH2_triplet": (3, [(6, 0.0, 0.0, 0.1), (1, 0.0, 0.99, -0.4), (1, 0.0, -0.99, -0.4)]),
}


def run(ostrel, task, mult, atoms, work):
    lines = "\n".join(" %d %.10f %.10f %.10f" % a for a in atoms)
    text = ("$control task=%s theory=dft basis=def2-svp fit=J $end\n"
            "$molecule multiplicity=%d\n cartesian\n%s\n$end\n"
            "$dft functional=pbe $end\n$scf convergence=%s $end\n" % (
                task, mult, lines, os.environ.get("SCF_CONVERGENCE", "1e-8")))
    path = os.path.join(work, "in.inp")
    with open(path, "w") as f:
        f.write(text)
    out = subprocess.run([ostrel, path], capture_output=True, text=True, cwd=work)
    if out.returncode != 0 or " converged!" not in out.stdout:
        sys.exit("run failed (status %d):\n%s" % (out.returncode, out.stdout[-3000:]))
    energy = float(re.search(r"^eng> E=(\S+)", out.stdout, re.M).group(1))
    grad = []
    block = re.search(r"^eng> G=(.*?)^eng>\$end", out.stdout, re.M | re.S)
    if block:
        grad = [float(v) for v in re.findall(r"[-+]?\d\.\d+e[-+]\d+", block.group(1))]
    return energy, grad


def main():
    ostrel = os.path.abspath(sys.argv[1])
    h = float(sys.argv[2]) if len(sys.argv) > 2 else 1e-3
    with tempfile.TemporaryDirectory() as work:
        for name in sys.argv[3:] or MOLECULES:
            mult, atoms = MOLECULES[name]
            _, analytic = run(ostrel, "gradient", mult, atoms, work)
            worst = 0.0
            for k in range(3 * len(atoms)):
                e = []
                for sign in (1, -1):
                    moved = [list(a) for a in atoms]
                    moved[k // 3][1 + k % 3] += sign * h * BOHR
                    e.append(run(ostrel, "energy", mult, [tuple(a) for a in moved], work)[0])
                fd = (e[0] - e[1]) / (2 * h)
                worst = max(worst, abs(fd - analytic[k]))
                print("%-12s coordinate %2d: analytic %14.8f  differences %14.8f  %9.1e" % (
                    name, k, analytic[k], fd, fd - analytic[k]), flush=True)
            print("%-12s largest difference %.1e hartree/bohr" % (name, worst), flush=True)


if __name__ == "__main__":
    main()
