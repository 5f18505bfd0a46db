#!/usr/bin/env python3
"""Energy error of the default grid against a converged grid, Ostrel beside Psi4.

Ostrel: every option at its default, then the same input with `$grid accuracy=1e-10`.
Psi4 1.3.2: PBE/def2-SVP, DF, its default grid (75 x 302) from a 3-21G start with damping
(without them Ni(CO)4 does not converge), then 200 x 974 from those orbitals. Each program's
error is its own default minus its own converged value (hartree).

  bench/grid_error.py build/ostrel [molecule ...]      (molecules: bench/<name>.xyz)
"""
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
Z = {"H": 1, "C": 6, "N": 7, "O": 8, "F": 9, "S": 16, "Cl": 17, "Ni": 28, "I": 53}


def atoms(name):
    lines = open(os.path.join(HERE, name + ".xyz")).read().split("\n")
    return [l.split() for l in lines[2:2 + int(lines[0])]]


def ostrel(binary, name, grid):
    text = "$control task=energy theory=dft basis=def2-svp $end\n$molecule\n cartesian\n"
    text += "".join(" %d %s %s %s\n" % (Z[s], x, y, z) for s, x, y, z in atoms(name))
    text += "$end\n$dft functional=pbe $end\n" + grid
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "in.inp")
        open(path, "w").write(text)
        out = subprocess.run([binary, path], cwd=work, capture_output=True, text=True).stdout
    return float(re.findall(r"eng> E=(\S+)", out)[-1])


def psi4_energies(name):
    script = """
import sys, psi4
psi4.core.set_output_file("/dev/null", False)
psi4.set_num_threads(1)
psi4.set_memory("4 GB")
atoms = sys.stdin.read()
mol = psi4.geometry("units angstrom\\nsymmetry c1\\nno_reorient\\nno_com\\n" + atoms)
# 3-21G has no core potentials to project from: atoms past krypton start from the default guess.
light = all(line.split()[0] in ("H", "C", "N", "O", "F", "S", "Cl", "Ni") for line in atoms.splitlines() if line.strip())
psi4.set_options({"basis": "def2-svp", "scf_type": "df", "puream": True, "e_convergence": 1e-10,
                  "d_convergence": 1e-8, "basis_guess": "3-21G" if light else False, "damping_percentage": 20})
for points in ((75, 302), (200, 974)):
    psi4.set_options({"dft_radial_points": points[0], "dft_spherical_points": points[1]})
    print("%.10f" % psi4.energy("pbe", molecule=mol), flush=True)
    # The fine grid starts from these orbitals: from its own start Ni(CO)4 found a state 9 hartree up.
    psi4.set_options({"guess": "read", "basis_guess": False})
"""
    env = dict(os.environ, OMP_NUM_THREADS="1", OPENBLAS_NUM_THREADS="1", PYTHONPATH="/usr/lib/x86_64-linux-gnu")
    geo = "\n".join(" ".join(a) for a in atoms(name))
    out = subprocess.run(["/usr/bin/python3", "-c", script], input=geo, env=env, capture_output=True,
                         text=True).stdout.split()
    return float(out[0]), float(out[1])


def main():
    binary = os.path.abspath(sys.argv[1])
    print("%-10s %16s %16s" % ("molecule", "Ostrel error", "Psi4 error"))
    for name in sys.argv[2:] or ["water", "benzene", "glycine"]:
        e0, e1 = ostrel(binary, name, ""), ostrel(binary, name, "$grid accuracy=1e-10 $end\n")
        p0, p1 = psi4_energies(name)
        print("%-10s %16.2e %16.2e" % (name, e0 - e1, p0 - p1), flush=True)


if __name__ == "__main__":
    main()
