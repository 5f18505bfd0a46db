#!/usr/bin/env python3
"""All-anti n-alkane C_nH_2n+2 coordinates (angstrom) shared by the force-field benchmark and
its RDKit MMFF94 comparison. As a script: times RDKit MMFF94 energy plus gradient for the
atom counts given (run with /usr/bin/python3 for the Debian RDKit)."""
import math
import sys
import time


def alkane(n):
    """Element symbols, coordinates and bonds (0-based pairs) of C_nH_2n+2, all anti."""
    dx, dy = 1.53 * math.sin(math.radians(56)), 1.53 * math.cos(math.radians(56))
    sym, xyz, bonds = [], [], []
    for k in range(n):
        sym.append("C")
        xyz.append((k * dx, dy if k % 2 else 0.0, 0.0))
        if k:
            bonds.append((k - 1, k))
    for k in range(n):
        x, y, _ = xyz[k]
        s = 1.0 if k % 2 else -1.0
        hs = [(x, y + s * 0.556, 0.937), (x, y + s * 0.556, -0.937)]
        if k == 0:
            hs.append((x - 1.03, y + 0.35, 0.0))
        if k == n - 1:
            hs.append((x + 1.03, y + s * 0.35, 0.0))
        for h in hs:
            bonds.append((k, len(sym)))
            sym.append("H")
            xyz.append(h)
    return sym, xyz, bonds


def rdkit_time(n, repeats):
    from rdkit import Chem
    from rdkit.Chem import AllChem
    from rdkit.Geometry import Point3D
    sym, xyz, bonds = alkane(n)
    rw = Chem.RWMol()
    for s in sym:
        rw.AddAtom(Chem.Atom(s))
    for a, b in bonds:
        rw.AddBond(a, b, Chem.BondType.SINGLE)
    mol = rw.GetMol()
    Chem.SanitizeMol(mol)
    conf = Chem.Conformer(mol.GetNumAtoms())
    for k, p in enumerate(xyz):
        conf.SetAtomPosition(k, Point3D(*p))
    mol.AddConformer(conf)
    ff = AllChem.MMFFGetMoleculeForceField(mol, AllChem.MMFFGetMoleculeProperties(mol))
    pos = ff.Positions()
    t0 = time.perf_counter()
    for _ in range(repeats):
        ff.CalcEnergy(pos)
        ff.CalcGrad(pos)
    return len(sym), (time.perf_counter() - t0) / repeats


if __name__ == "__main__":
    for arg in sys.argv[1:] or ["33", "333", "1666"]:
        n = int(arg)
        atoms, t = rdkit_time(n, max(1, 2000 // n))
        print("rdkit_mmff94 atoms=%d ms_per_energy_gradient=%.3f" % (atoms, 1e3 * t))
