#!/usr/bin/env python3
"""Reference data for fitting the force field: PBE/def2-SVP minima of this program, gradients
at displaced structures and, for the molecules of HESSIANS, Hessians at the minima, written as
fit inputs (one file per structure holding a "$molecule" group and the "eng>" results group
without its tag) plus the "$file" group.

Usage: /usr/bin/python3 tools/mm/training.py BUILD/ostrel WORKDIR [name ...]
Without names every molecule is computed (finished runs are kept in WORKDIR, so the script
can be stopped and run again, or run for disjoint lists side by side). Then WORKDIR/fit.inp,
written from all reference files present, is the input of the task "mm" (fitting, kind 0);
its final "$mmdata" group is the fitted set.
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
    "cyclohexane": "C1CCCCC1", "isobutene": "C=C(C)C", "acetamide": "CC(N)=O", "acetonitrile": "CC#N",
    "propyne": "CC#C", "methylformamide": "CNC=O",
}
# Hessians at the minima carry the bending and out-of-plane stiffness that gradients at one
# displaced structure leave open; the small molecules that hold every type suffice.
HESSIANS = {
    "water", "ammonia", "methane", "ethylene", "fluoromethane", "methanethiol", "ethanol", "dimethylamine",
    "acetone", "aceticacid", "methylformate", "acetamide", "isobutene", "pyrrole", "propane", "benzene",
    "acetonitrile", "methylacetamide", "propanal", "ethylamine", "chloroethane", "methylformamide",
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
    group, skipping = [], False
    for l in block[start:]:
        # The fit reads energy, dipole, gradient and Hessian; dipole derivatives stay out.
        key = l.split("=")[0].strip() if "=" in l else None
        if key is not None:
            skipping = key == "Dx"
        if not skipping:
            group.append(l)
        if l.startswith("$end"):
            break
    open(path, "w").write(molecule_group(mol, xyz) + "\n".join(group) + "\n")


def cartesian_rows(path):
    rows = [l.split() for l in open(path)]
    return [tuple(float(v) for v in r[1:4]) for r in rows if len(r) == 4 and r[0].isdigit()]


def main():
    ostrel, work = sys.argv[1], sys.argv[2]
    chosen = sys.argv[3:] or list(TRAINING)
    os.makedirs(work, exist_ok=True)
    for name in chosen:
        smiles = TRAINING[name]
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
        # A displaced structure computed before is kept as it was.
        if os.path.exists(base + "_shake.inp"):
            shaken = cartesian_rows(base + "_shake.inp")
        else:
            rng = random.Random(name)
            shaken = [tuple(c + rng.uniform(-0.06, 0.06) for c in p) for p in minimum]
        lines = run(ostrel, base + "_shake", DFT % "gradient" + molecule_group(mol, shaken))
        reference_file(base + "_shake.ref", mol, shaken, lines)
        if name in HESSIANS:
            lines = run(ostrel, base + "_hess", DFT % "hessian" + molecule_group(mol, minimum))
            reference_file(base + "_hess.ref", mol, minimum, lines)
        print(name, "done", flush=True)
    write_fit_input(work)


# Weight of the Hessians beside the gradients' 100 (both weigh mean squares in atomic units)
# and the pull towards the starting values: on the validation molecules of validate.py these
# brought frequencies above 500 cm-1 from 6.5% to near 4% RMS error with bond lengths and
# angles no worse (Hessians of weight 10 and prior 1 changed little from the starting set).
HESSIAN_WEIGHT = 10000.0
PRIOR = 0.03


# Gradients at the minimum and the displaced structure, and the Hessian where there is one.
def write_fit_input(work):
    entries = []
    for name in TRAINING:
        for kind in ("min", "shake", "hess"):
            path = os.path.join(work, "%s_%s.ref" % (name, kind))
            if os.path.exists(path):
                entries.append(("%s_%s" % (name, kind), path, HESSIAN_WEIGHT if kind == "hess" else None))
    with open(os.path.join(work, "fit.inp"), "w") as f:
        f.write("$control task=mm theory=mm basis=organic.mm $end\n")
        f.write("$molecule\n cartesian\n 1 0 0 0\n 1 0 0 0.74\n$end\n")
        f.write("$optimize tol=1e-7 iter=40 prior=%g $end\n$file\n w=0.0,100.0,0,0,0,0\n" % PRIOR)
        for name, path, h in entries:
            f.write(" %s %s%s\n" % (name, path, "" if h is None else " w=0.0,100.0,0,0,%g,0" % h))
        f.write("$end\n")


if __name__ == "__main__":
    main()
