#!/usr/bin/env python3
"""Force-field minima against this program's PBE/def2-SVP minima, beside RDKit MMFF94.

For each molecule: an RDKit ETKDG start (seed 1) relaxed with MMFF94 (the anchor), then
OPTIMIZE with theory=dft (PBE/def2-SVP, fit=J; cached in the work directory) and with
theory=mm (data/mm/organic.mm) from that start. Prints RMS and worst errors of bond lengths
(angstrom) and bond angles (degrees) against the DFT minima, then with "freq" also the
harmonic frequencies above 500 cm^-1 (HESSIAN at each model's own minimum; MMFF94 by
differences of RDKit gradients), matched by order from the top, as RMS relative errors.

Usage: /usr/bin/python3 tools/mm/validate.py BUILD/ostrel WORKDIR [dft|mm|both|freq]
"""
import math
import os
import subprocess
import sys

from rdkit import Chem
from rdkit.Chem import AllChem

MOLECULES = {
    "methanol": "CO", "ethane": "CC", "formaldehyde": "C=O", "methylamine": "CN",
    "acetaldehyde": "CC=O", "dimethylether": "COC", "propene": "CC=C", "formamide": "NC=O",
}


def start(smiles):
    mol = Chem.AddHs(Chem.MolFromSmiles(smiles))
    AllChem.EmbedMolecule(mol, randomSeed=1)
    AllChem.MMFFOptimizeMolecule(mol, maxIters=2000)
    conf = mol.GetConformer()
    xyz = [tuple(conf.GetAtomPosition(k)) for k in range(mol.GetNumAtoms())]
    return mol, xyz


def run(ostrel, path, control, mol, xyz):
    text = control + "\n$molecule\n cartesian\n"
    for a, p in zip(mol.GetAtoms(), xyz):
        text += " %d %.6f %.6f %.6f\n" % (a.GetAtomicNum(), *p)
    text += "$end\n"
    inp, out = path + ".inp", path + ".out"
    if not os.path.exists(out) or "CONVERGED" not in open(out).read():
        open(inp, "w").write(text)
        with open(out, "w") as f:
            subprocess.run([ostrel, inp], stdout=f, check=False)
    final = [line.split() for line in open(out) if line.startswith("MOL>") and len(line.split()) >= 5]
    final = [l for l in final if l[1].isdigit()]
    return [tuple(float(v) for v in l[2:5]) for l in final[-len(xyz):]] if final else None


def geometry(mol, xyz):
    bonds = [math.dist(xyz[b.GetBeginAtomIdx()], xyz[b.GetEndAtomIdx()]) for b in mol.GetBonds()]
    angles = []
    for a in mol.GetAtoms():
        nb = [n.GetIdx() for n in a.GetNeighbors()]
        c = xyz[a.GetIdx()]
        for i in range(len(nb)):
            for k in range(i):
                u = [p - q for p, q in zip(xyz[nb[i]], c)]
                v = [p - q for p, q in zip(xyz[nb[k]], c)]
                cs = sum(x * y for x, y in zip(u, v)) / (math.hypot(*u) * math.hypot(*v))
                angles.append(math.degrees(math.acos(max(-1.0, min(1.0, cs)))))
    return bonds, angles


def stats(errors):
    return math.sqrt(sum(e * e for e in errors) / len(errors)), max(abs(e) for e in errors)


def frequencies(path):
    out = []
    for line in open(path):
        if line.lstrip().startswith("mode") and "freq=" in line:
            v = line.split("freq=")[1].strip()
            if not v.endswith("i"):
                out.append(float(v))
    return sorted(out)


def mmff_frequencies(mol, xyz):
    import numpy as np
    mol = Chem.Mol(mol)
    conf = mol.GetConformer()
    for k, p in enumerate(xyz):
        conf.SetAtomPosition(k, p)
    ff = AllChem.MMFFGetMoleculeForceField(mol, AllChem.MMFFGetMoleculeProperties(mol))
    # RDKit 2022.09 keeps geometry-dependent data from Initialize(): the gradient at explicit
    # positions is not that of those positions, so move the conformer and initialise again.
    n3, h = 3 * mol.GetNumAtoms(), 1e-4
    hess = np.zeros((n3, n3))

    def gradient(k, step):
        p = list(conf.GetAtomPosition(k // 3))
        p[k % 3] += step
        conf.SetAtomPosition(k // 3, p)
        ff.Initialize()
        g = np.array(ff.CalcGrad())
        p[k % 3] -= step
        conf.SetAtomPosition(k // 3, p)
        return g

    for k in range(n3):
        hess[k] = (gradient(k, h) - gradient(k, -h)) / (2 * h)
    mass = np.repeat([a.GetMass() for a in mol.GetAtoms()], 3)
    hw = 0.5 * (hess + hess.T) / np.sqrt(np.outer(mass, mass))
    ev = np.linalg.eigvalsh(hw)
    return sorted(108.5913 * math.sqrt(e) for e in ev if e > 0)


def frequency_errors(ref, model):
    ref = [f for f in ref if f > 500]
    model = model[-len(ref):]
    return [(m - r) / r for m, r in zip(model, ref)]


def run_frequencies(ostrel, work):
    err = {"mm": [], "mmff94": []}
    for name, smiles in MOLECULES.items():
        mol, xyz = start(smiles)
        dft = run(ostrel, os.path.join(work, name + "_dft"), "", mol, xyz)
        mm = run(ostrel, os.path.join(work, name + "_mm"), "", mol, xyz)
        fd = hessian(ostrel, os.path.join(work, name + "_dft_freq"),
                     "$control task=hessian theory=dft basis=def2-svp fit=J $end\n$dft functional=pbe $end", mol, dft)
        fm = hessian(ostrel, os.path.join(work, name + "_mm_freq"),
                     "$control task=hessian theory=mm basis=organic.mm derivative=analytic $end", mol, mm)
        for label, f in (("mm", fm), ("mmff94", mmff_frequencies(mol, xyz))):
            e = frequency_errors(fd, f)
            err[label].extend(e)
            print("%-14s %-7s frequencies > 500: rms %.1f%% worst %.1f%% (%d modes)" % ((name, label) + tuple(
                100 * v for v in stats(e)) + (len(e),)))
    for label, e in err.items():
        print("ALL %-7s frequencies > 500: rms %.1f%% worst %.1f%% (%d modes)" % ((label,) + tuple(
            100 * v for v in stats(e)) + (len(e),)))


def hessian(ostrel, path, control, mol, xyz):
    out = path + ".out"
    if not os.path.exists(out) or "freq=" not in open(out).read():
        text = control + "\n$molecule\n cartesian\n"
        for a, p in zip(mol.GetAtoms(), xyz):
            text += " %d %.6f %.6f %.6f\n" % (a.GetAtomicNum(), *p)
        open(path + ".inp", "w").write(text + "$end\n")
        with open(out, "w") as f:
            subprocess.run([ostrel, path + ".inp"], stdout=f, check=False)
    return frequencies(out)


def main():
    ostrel, work = sys.argv[1], sys.argv[2]
    which = sys.argv[3] if len(sys.argv) > 3 else "both"
    os.makedirs(work, exist_ok=True)
    if which == "freq":
        run_frequencies(ostrel, work)
        return
    err = {"mm": ([], []), "mmff94": ([], [])}
    for name, smiles in MOLECULES.items():
        mol, xyz = start(smiles)
        dft = run(ostrel, os.path.join(work, name + "_dft"),
                  "$control task=optimize theory=dft basis=def2-svp fit=J $end\n$dft functional=pbe $end", mol, xyz)
        if which == "dft" or dft is None:
            print(name, "dft", "done" if dft else "missing")
            continue
        mm = run(ostrel, os.path.join(work, name + "_mm"), "$control task=optimize theory=mm basis=organic.mm $end",
                 mol, xyz)
        ref_b, ref_a = geometry(mol, dft)
        for label, x in (("mm", mm), ("mmff94", xyz)):
            b, a = geometry(mol, x)
            err[label][0].extend(p - q for p, q in zip(b, ref_b))
            err[label][1].extend(p - q for p, q in zip(a, ref_a))
            rb, wb = stats([p - q for p, q in zip(b, ref_b)])
            ra, wa = stats([p - q for p, q in zip(a, ref_a)])
            print("%-14s %-7s bonds rms %.4f worst %.4f A   angles rms %5.2f worst %5.2f deg" % (name, label, rb, wb, ra, wa))
    for label, (b, a) in err.items():
        if b:
            print("ALL %-7s bonds rms %.4f worst %.4f A   angles rms %5.2f worst %5.2f deg (%d bonds, %d angles)"
                  % ((label,) + stats(b) + stats(a) + (len(b), len(a))))


if __name__ == "__main__":
    main()
