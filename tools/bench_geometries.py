#!/usr/bin/env python3
"""Writes the benchmark structures bench/<name>.xyz from SMILES: RDKit's ETKDG embedding with a
fixed seed, then MMFF94 minimisation, so every run of the benchmarks sees the same atoms.

  /usr/bin/python3 tools/bench_geometries.py [name ...]
"""
import os
import sys

from rdkit import Chem
from rdkit.Chem import AllChem

MOLECULES = {
    "caffeine": "CN1C=NC2=C1C(=O)N(C(=O)N2C)C",
    "trialanine": "C[C@@H](C(=O)N[C@@H](C)C(=O)N[C@@H](C)C(=O)O)N",
    "icosane": "C" * 20,
    "c40": "C" * 40,  # 122 atoms
}


def write(name, smiles, folder):
    mol = Chem.AddHs(Chem.MolFromSmiles(smiles))
    params = AllChem.ETKDGv3()
    params.randomSeed = 7
    AllChem.EmbedMolecule(mol, params)
    AllChem.MMFFOptimizeMolecule(mol, maxIters=5000)
    conf = mol.GetConformer()
    with open(os.path.join(folder, name + ".xyz"), "w") as out:
        out.write("%d\n%s %s\n" % (mol.GetNumAtoms(), name, smiles))
        for atom in mol.GetAtoms():
            p = conf.GetAtomPosition(atom.GetIdx())
            out.write("%s %.6f %.6f %.6f\n" % (atom.GetSymbol(), p.x, p.y, p.z))


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench")
    for name in sys.argv[1:] or MOLECULES:
        write(name, MOLECULES[name], folder)


if __name__ == "__main__":
    main()
