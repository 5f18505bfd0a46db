#!/usr/bin/env python3
"""Reference data for fitting the force field: PBE/def2-SVP minima of this program and
gradients at displaced structures, written as fit inputs (one file per structure holding a
"$molecule" group and the "eng>" results group without its tag) plus the "$file" group.

Usage: /usr/bin/python3 tools/mm/training.py BUILD/ostrel WORKDIR
Then: WORKDIR/fit.inp is the input of the task "mm" (fitting, kind 0); its final "$mmdata"
group is the fitted set.
"""
import os
import random
import subprocess
import sys

from rdkit import Chem
from rdkit.Chem import AllChem

# No molecule of tools/mm/validate.py is among these.
TRAINING = {
    "water": "O", "ammonia": "N", "methane": "C", "ethylene": "C=C", "propane": "CCC",
    "butane": "CCCC", "isobutane": "CC(C)C", "fluoromethane": "CF", "methanethiol": "CS",
    "ethylamine": "CCN", "dimethylamine": "CNC", "ethanol": "CCO", "acetone": "CC(C)=O",
    "aceticacid": "CC(=O)O", "methylformate": "COC=O", "propanal": "CCC=O", "chloroethane": "CCCl",
    "pyrrole": "c1cc[nH]c1", "methylacetamide": "CNC(C)=O", "benzene": "c1ccccc1",
    "pyridine": "c1ccncc1", "phenol": "Oc1ccccc1", "cyclopentane": "C1CCCC1", "toluene": "Cc1ccccc1",
    "cyclohexane": "C1CCCCC1",
}
DFT = "$control task=%s theory=dft basis=def2-svp fit=J $end\n$dft functional=pbe $end\n"


def molecule_group(mol, xyz):
    text = "$molecule\n cartesian\n"
    for a, p in zip(mol.GetAtoms(), xyz):
        text += " %d %.8f %.8f %.8f\n" % (a.GetAtomicNum(), *p)
    return text + "$end\n"


def run(ostrel, path, text):
    if not os.path.exists(path + ".out") or "eng>" not in open(path + ".out").read():
        open(path + ".inp", "w").write(text)
        with open(path + ".out", "w") as f:
            subprocess.run([ostrel, path + ".inp"], stdout=f, check=False)
    return open(path + ".out").read().splitlines()


def last_structure(lines, n):
    rows = [l.split() for l in lines if l.startswith("MOL>") and len(l.split()) >= 5 and l.split()[1].isdigit()]
    return [tuple(float(v) for v in r[2:5]) for r in rows[-n:]]


def reference_file(path, mol, xyz, lines):
    block = [l[4:] for l in lines if l.startswith("eng>")]
    start = max(k for k, l in enumerate(block) if l.startswith("$Energy"))
    group = []
    for l in block[start:]:
        group.append(l)
        if l.startswith("$end"):
            break
    open(path, "w").write(molecule_group(mol, xyz) + "\n".join(group) + "\n")


def main():
    ostrel, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    rng = random.Random(11)
    entries = []
    for name, smiles in TRAINING.items():
        mol = Chem.AddHs(Chem.MolFromSmiles(smiles))
        AllChem.EmbedMolecule(mol, randomSeed=1)
        AllChem.MMFFOptimizeMolecule(mol, maxIters=2000)
        conf = mol.GetConformer()
        xyz = [tuple(conf.GetAtomPosition(k)) for k in range(mol.GetNumAtoms())]
        base = os.path.join(work, name)
        lines = run(ostrel, base + "_opt", DFT % "optimize" + molecule_group(mol, xyz))
        if not any("CONVERGED" in l for l in lines):
            print(name, "no DFT minimum")
            continue
        minimum = last_structure(lines, len(xyz))
        lines = run(ostrel, base + "_min", DFT % "gradient" + molecule_group(mol, minimum))
        reference_file(base + "_min.ref", mol, minimum, lines)
        shaken = [tuple(c + rng.uniform(-0.06, 0.06) for c in p) for p in minimum]
        lines = run(ostrel, base + "_shake", DFT % "gradient" + molecule_group(mol, shaken))
        reference_file(base + "_shake.ref", mol, shaken, lines)
        entries += [(name + "_min", base + "_min.ref"), (name + "_shake", base + "_shake.ref")]
        write_fit_input(work, entries)
        print(name, "done", flush=True)


# Rewritten after every molecule, so that a partial set can be fitted already.
def write_fit_input(work, entries):
    with open(os.path.join(work, "fit.inp"), "w") as f:
        f.write("$control task=mm theory=mm basis=organic.mm $end\n")
        f.write("$molecule\n cartesian\n 1 0 0 0\n 1 0 0 0.74\n$end\n")
        f.write("$optimize tol=1e-7 iter=40 prior=1.0 $end\n$file\n w=0.0,100.0,0,0,0,0\n")
        for name, path in entries:
            f.write(" %s %s\n" % (name, path))
        f.write("$end\n")


if __name__ == "__main__":
    main()
