#!/usr/bin/env python3
"""Reference numbers from Psi4 for the one-electron driver tests.

Prints, for water and methyl iodide in def2-SVP (spherical functions), the nuclear repulsion
and traces and selected elements of S, T, V and H = T + V (+ ECP). Water uses the geometry of
the DFT reference set, converted to bohr with Psi4's own factor so both programs see the same
coordinates. For methyl iodide the iodine potential is given in the form the Ostrel library
stores it (semilocal s, p, d, f channels, no local part), so both programs integrate the same
operator.

Run with Psi4 1.3 (Debian package psi4):
  PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 tools/one_electron_driver_reference.py
"""
import os
import re
import tempfile

import psi4

BOHR = 0.52917721067
WATER_ANGSTROM = [("O", 0.0, 0.0, 0.0), ("H", 0.0, 0.75695, -0.585882), ("H", 0.0, -0.75695, -0.585882)]
CH3I_ANGSTROM = [("C", 0, 0, 0), ("I", 0, 0, 2.14), ("H", 1.03, 0, -0.36), ("H", -0.51, 0.89, -0.36),
                 ("H", -0.51, -0.89, -0.36)]
GBS = "/usr/share/psi4/basis/def2-svp.gbs"

# The library's iodine potential: U_s, U_p, U_d, U_f as semilocal channels, zero beyond f.
IODINE_ECP = """I-ECP     4     28
g-ul potential
  1
2      1.00000000             0.00000000
s-ul potential
  3
2     40.01583500            49.99429300
2     17.42974700           281.02531700
2      9.00548400            61.57332600
p-ul potential
  4
2     15.35546600            67.44284100
2     14.97183300           134.88113700
2      8.96016400            14.67505100
2      8.25909600            29.37566600
d-ul potential
  6
2     15.06890800            35.43952900
2     14.55532200            53.17605700
2      6.71864700             9.06719500
2      6.45639300            13.20693700
2      1.19177900             0.08933500
2      1.29115700             0.05238000
f-ul potential
  4
2     19.45860900           -21.84204000
2     19.34926000           -28.46819100
2      4.82376700            -0.24371300
2      4.88431500            -0.32080400
"""


def library_form_basis(directory):
    text = open(GBS).read()
    start = text.index("I-ECP")
    end = text.index("XE     0", start)
    with open(os.path.join(directory, "libsvp.gbs"), "w") as f:
        f.write(text[:start] + IODINE_ECP + text[end:])


def report(name, atoms, basis):
    geometry = "units bohr\nsymmetry c1\nno_reorient\nno_com\n" + "\n".join(
        "%s %.17g %.17g %.17g" % (s, x / BOHR, y / BOHR, z / BOHR) for s, x, y, z in atoms)
    mol = psi4.geometry(geometry, name=name)
    mol.update_geometry()
    bs = psi4.core.BasisSet.build(mol, "ORBITAL", basis, puream=True)
    mints = psi4.core.MintsHelper(bs)
    s, t, v = mints.ao_overlap().np, mints.ao_kinetic().np, mints.ao_potential().np
    h = t + v
    if bs.has_ECP():
        h = h + mints.ao_ecp().np
    print("%s: nbf %d, charges %s" % (name, bs.nbf(), [mol.Z(i) for i in range(mol.natom())]))
    print("  coordinates (bohr):", ", ".join("%.17g" % mol.xyz(i)[k] for i in range(mol.natom()) for k in range(3)))
    print("  Enn %.17g" % mol.nuclear_repulsion_energy())
    for label, m in (("S", s), ("T", t), ("V", v), ("H", h)):
        print("  trace %s %.17g" % (label, m.trace()))
    for i, j in ((0, 0), (1, 0), (6, 3), (10, 7), (14, 2), (20, 16), (bs.nbf() - 1, 0), (bs.nbf() - 3, 5)):
        print("  (%d,%d) S %.17g T %.17g V %.17g H %.17g" % (i, j, s[i, j], t[i, j], v[i, j], h[i, j]))
    print("  sum|H| %.17g" % abs(h).sum())


def main():
    psi4.core.be_quiet()
    report("water", WATER_ANGSTROM, "def2-svp")
    directory = tempfile.mkdtemp()
    library_form_basis(directory)
    os.chdir(directory)
    report("ch3i", CH3I_ANGSTROM, "libsvp")


if __name__ == "__main__":
    main()
