#!/usr/bin/env python3
"""MOPAC-optimised structures of the NDDO regression set for tests/cli/nddo.sh.

Every molecule of tests/models/nddo/generated/mopac_reference.hpp is optimised by MOPAC 22.0.6 (Debian
package mopac) with "<MODEL> NOMM GNORM=0.001 SCFCRT=1.D-12" from the listed start, for MNDO,
AM1 and PM3. Prints one line per case: model, charge, the start "Z x y z ..." and MOPAC's final
Cartesian coordinates "x y z ..." (angstrom), separated by '|'.

Run: python3 tools/nddo_mopac_structures.py > tests/cli/nddo_structures.txt
"""
import os
import re
import subprocess
import sys
import tempfile

SYMBOL = {1: "H", 6: "C", 7: "N", 8: "O", 9: "F", 15: "P", 16: "S", 17: "Cl"}
here = os.path.dirname(os.path.abspath(__file__))
header = open(os.path.join(here, "..", "tests", "models", "nddo", "generated", "mopac_reference.hpp")).read()
molecules = re.findall(r'\{"([^"]+)", (-?\d+), ((?:"[^"]*"\s*)+)\}', header)

with tempfile.TemporaryDirectory() as work:
    for model in ("mndo", "am1", "pm3"):
        for name, charge, text in molecules:
            atoms = "".join(re.findall(r'"([^"]*)"', text)).replace("\\n", "\n").split("\n")
            atoms = [a.split() for a in atoms if a.strip()]
            mop = os.path.join(work, "m.mop")
            with open(mop, "w") as f:
                f.write("%s NOMM GNORM=0.001 SCFCRT=1.D-12 CHARGE=%s\n%s\n\n" % (model.upper(), charge, name))
                for z, x, y, w in atoms:
                    f.write("%s %s 1 %s 1 %s 1\n" % (SYMBOL[int(z)], x, y, w))
            subprocess.run(["mopac", mop], cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            out = open(os.path.join(work, "m.out")).read()
            block = out.rsplit("CARTESIAN COORDINATES", 1)[1].split("\n")[2:2 + len(atoms)]
            final = " ".join(" ".join(line.split()[2:5]) for line in block)
            start = " ".join(" ".join(a) for a in atoms)
            print("%s|%s|%s|%s" % (model, charge, start, final))
            sys.stdout.flush()
