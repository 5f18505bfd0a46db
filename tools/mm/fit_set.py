#!/usr/bin/env python3
"""Fits the shipped force-field set: the starting set of tools/mm/organic_set.py refined by the
task "mm" (fitting, kind 0) on the reference data of tools/mm/training.py, printed with a
header as the group data/mm/organic.mm holds.

Usage: python3 tools/mm/fit_set.py BUILD/ostrel WORKDIR > data/mm/organic.mm
(WORKDIR as given to training.py; the fit runs there on WORKDIR/fit.inp, whose library name
organic.mm is found in the run's own directory first, so the starting set is written there.)
"""
import contextlib
import io
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organic_set  # noqa: E402
import training  # noqa: E402

HEADER = """$mmdata   # organic set for H, C, N, O, F, Cl, S; regenerate with tools/mm/fit_set.py
# Starting values from tools/mm/organic_set.py (AMBER parm99 / GAFF bonded terms, MMFF94 bond
# charge increments, MM3-like repulsion), bond, angle and torsion constants then fitted to this
# program's PBE/def2-SVP gradients and Hessians of the molecules of tools/mm/training.py.
# Atomic units throughout."""


def main():
    ostrel, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    start = io.StringIO()
    with contextlib.redirect_stdout(start):
        organic_set.main()
    open(os.path.join(work, "organic.mm"), "w").write(start.getvalue())
    training.write_fit_input(work)
    with open(os.path.join(work, "fit.out"), "w") as f:
        subprocess.run([ostrel, "fit.inp"], stdout=f, cwd=work, check=True)
    lines = open(os.path.join(work, "fit.out")).read().splitlines()
    first = max(k for k, l in enumerate(lines) if l.startswith("$mmdata"))
    last = next(k for k in range(first, len(lines)) if lines[k].startswith("$end"))
    print(HEADER)
    print("\n".join(lines[first + 1:last + 1]))


if __name__ == "__main__":
    main()
