#!/usr/bin/env python3
"""SCF iterations at default settings beside Psi4's, over the shared reference set and the
radicals and hard cases of tools/scf_radicals_psi4_reference.py.

Ostrel runs every case with all options at their defaults (its SCF iterations and Fock
builds are counted, a taken-back step included); with Psi4 installed, Psi4 runs the same
molecule in the shared model (DIIS, 200 x 974 grid, one thread) and its iterations are
printed beside.

  bench/scf_iterations.py build/ostrel [/work/shared/reference/dft_ri_j_reference.json] [name ...]
"""
import json
import os
import re
import runpy
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
Z = {"H": 1, "C": 6, "N": 7, "O": 8, "Cl": 17, "Fe": 26, "Ni": 28, "Cu": 29}
PSI4_NAMES = {"PBE": "pbe", "BLYP": "blyp", "LSD": "svwn"}


def radicals():
    path = os.path.join(HERE, "..", "tools", "scf_radicals_psi4_reference.py")
    try:
        import psi4  # noqa: F401
        stub = False
    except ImportError:  # the table alone needs no Psi4
        sys.modules["psi4"] = type(sys)("psi4")
        stub = True
    table = runpy.run_path(path, run_name="radicals")["MOLECULES"]
    if stub:
        del sys.modules["psi4"]
    return {name: ("PBE", c, m, [(s, *map(float, xyz)) for s, *xyz in (l.split() for l in a.split("\n"))])
            for name, (c, m, a) in table.items()}


def reference_set(path):
    cases = {}
    for e in json.load(open(path))["energies"]:
        m = e["molecule"]
        cases[e["id"]] = (e["functional"], m["charge"], m["multiplicity"],
                          [(s, *xyz) for s, xyz in zip(m["symbols"], m["coords_angstrom"])])
    return cases


def ostrel(binary, functional, charge, mult, atoms, work):
    head = "$molecule" + (" charge=%d" % charge if charge else "") + (
        " multiplicity=%d" % mult if mult != 1 else "")
    text = ("$control task=energy theory=dft basis=def2-svp fit=J $end\n%s\n cartesian\n%s\n$end\n"
            "$dft functional=%s $end\n" % (head, "\n".join(
                " %d %.10f %.10f %.10f" % (Z[s], x, y, z) for s, x, y, z in atoms), functional))
    path = os.path.join(work, "in.inp")
    with open(path, "w") as f:
        f.write(text)
    out = subprocess.run([binary, path], capture_output=True, text=True, cwd=work).stdout
    iterations = len(re.findall(r"^ +\d+ +-\d+\.\d+ +-?\d+\.\d+ +\d+\.\d+ +\d+\.\d+$", out, re.M))
    builds = re.search(r"^ +(\d+) F, ", out, re.M)
    return " converged!" in out, iterations, int(builds.group(1)) if builds else -1


def psi4_iterations(functional, charge, mult, atoms):
    try:
        import psi4
    except ImportError:
        return None
    psi4.core.set_output_file("/dev/null", False)
    psi4.set_num_threads(1)
    psi4.core.clean()
    mol = psi4.geometry("%d %d\n%s\nunits angstrom\nsymmetry c1\nno_reorient\nno_com\n" % (
        charge, mult, "\n".join("%s %.10f %.10f %.10f" % a for a in atoms)))
    psi4.set_options({
        "basis": "def2-svp", "puream": True, "scf_type": "df", "df_basis_scf": "def2-svp-jfit",
        "reference": "rks" if mult == 1 else "uks", "dft_radial_points": 200,
        "dft_spherical_points": 974, "dft_radial_scheme": "treutler",
        "dft_nuclear_scheme": "treutler", "e_convergence": 1e-10, "d_convergence": 1e-8})
    psi4.energy(PSI4_NAMES[functional], molecule=mol)
    return int(psi4.variable("SCF ITERATIONS"))


def main():
    binary = os.path.abspath(sys.argv[1])
    args = sys.argv[2:]
    ref = args.pop(0) if args and args[0].endswith(".json") else "/work/shared/reference/dft_ri_j_reference.json"
    cases = {**(reference_set(ref) if os.path.exists(ref) else {}), **radicals()}
    totals = [0, 0, 0]
    with tempfile.TemporaryDirectory() as work:
        for name in args or cases:
            converged, its, builds = ostrel(binary, *cases[name], work)
            p = psi4_iterations(*cases[name])
            totals[0] += its
            totals[1] += builds
            totals[2] += p or 0
            print("%-20s ostrel %3d iterations, %3d Fock builds%s   psi4 %s" % (
                name, its, builds, "" if converged else " (NOT converged)", p), flush=True)
    print("%-20s ostrel %3d iterations, %3d Fock builds              psi4 %d" % ("total", *totals))


if __name__ == "__main__":
    main()
