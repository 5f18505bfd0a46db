#!/usr/bin/env python3
"""Reference numbers from Psi4 for the one-electron matrices with f functions.

Prints, for water and hydrogen bromide in def2-TZVP (spherical functions; f shells on O and
Br, no core potentials), the nuclear repulsion, the traces of S, T, V and H = T + V, selected
elements (several on f functions, located through the shell list printed first) and the
ascending eigenvalues of S^-1/2 T S^-1/2, which do not depend on function order or phase.
Geometries are converted to bohr with Psi4's own factor so both programs see the same
coordinates; water is the geometry of the one-electron driver test.

Run with Psi4 1.3 (Debian package psi4):
  PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 tools/one_electron_tzvp_reference.py
"""
import numpy as np
import psi4

BOHR = 0.52917721067
WATER_ANGSTROM = [("O", 0.0, 0.0, 0.0), ("H", 0.0, 0.75695, -0.585882), ("H", 0.0, -0.75695, -0.585882)]
HBR_ANGSTROM = [("H", 0.0, 0.0, 0.0), ("Br", 0.0, 0.0, 1.41)]
AM = "spdfghi"


def report(name, atoms, elements):
    geometry = "units bohr\nsymmetry c1\nno_reorient\nno_com\n" + "\n".join(
        "%s %.17g %.17g %.17g" % (s, x / BOHR, y / BOHR, z / BOHR) for s, x, y, z in atoms)
    mol = psi4.geometry(geometry, name=name)
    mol.update_geometry()
    bs = psi4.core.BasisSet.build(mol, "ORBITAL", "def2-tzvp", puream=True)
    assert not bs.has_ECP()
    mints = psi4.core.MintsHelper(bs)
    s, t, v = mints.ao_overlap().np, mints.ao_kinetic().np, mints.ao_potential().np
    h = t + v
    print("%s: nbf %d, charges %s" % (name, bs.nbf(), [mol.Z(i) for i in range(mol.natom())]))
    print("  coordinates (bohr):", ", ".join("%.17g" % mol.xyz(i)[k] for i in range(mol.natom()) for k in range(3)))
    print("  shells:", " ".join("%d%s@%d" % (bs.shell(k).ncenter, AM[bs.shell(k).am], bs.shell_to_basis_function(k))
                                for k in range(bs.nshell())))
    print("  Enn %.17g" % mol.nuclear_repulsion_energy())
    for label, m in (("S", s), ("T", t), ("V", v), ("H", h)):
        print("  trace %s %.17g" % (label, m.trace()))
    for i, j in elements:
        print("  {%d, %d, %.17g, %.17g, %.17g, %.17g}," % (i, j, s[i, j], t[i, j], v[i, j], h[i, j]))
    w, u = np.linalg.eigh(s)
    x = u @ np.diag(w ** -0.5) @ u.T
    e = np.linalg.eigvalsh(x @ t @ x)
    print("  min eigenvalue of S %.17g" % w.min())
    print("  eigenvalues of S^-1/2 T S^-1/2:")
    for k in range(0, len(e), 4):
        print("   " + " ".join("%.17g," % val for val in e[k:k + 4]))


def main():
    psi4.core.be_quiet()
    # O: 5s 3p 2d 1f (f = functions 24..30), each H: 3s 1p.
    report("water", WATER_ANGSTROM,
           [(0, 0), (24, 24), (25, 25), (27, 24), (28, 28), (30, 26), (31, 24), (34, 25), (36, 30), (40, 27),
            (42, 29), (29, 16), (26, 8), (42, 0)])
    # H: 3s 1p (0..5); Br: 6s 5p 4d 1f (f = functions 47..53), H on the z axis.
    report("hbr", HBR_ANGSTROM,
           [(0, 0), (47, 47), (47, 2), (48, 4), (49, 5), (48, 13), (47, 27), (50, 50), (53, 53), (51, 47),
            (52, 32), (53, 0), (46, 3), (30, 1)])


if __name__ == "__main__":
    main()
