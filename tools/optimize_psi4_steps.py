#!/usr/bin/python3
"""Start structures and Psi4 (optking) reference optimisations for the optimizer step counts.

  /usr/bin/python3 tools/optimize_psi4_steps.py starts DIR
      writes DIR/NAME.xyz for the standard set: RDKit ETKDG structures (fixed seed) moved by a
      mild seeded perturbation (uniform, at most 0.05 angstrom per coordinate); glycine and
      benzene come from bench/*.xyz unchanged. Run once; the files are kept in the tree.

  PYTHONPATH=/usr/lib/x86_64-linux-gnu OMP_NUM_THREADS=1 /usr/bin/python3 \\
      tools/optimize_psi4_steps.py run FILE.xyz [MAX_FORCE MAX_DISP]
      optimises with Psi4 (optking, one thread): RKS PBE/def2-SVP, Coulomb fitted in
      def2-universal-jfit (Psi4's def2-svp-jfit), default (75, 302) grid. Criteria: largest
      internal force below MAX_FORCE (1e-4) and largest internal step below MAX_DISP (1e-2),
      the optimizer's own defaults; optking keeps its energy change test (1e-6) active too.
      Prints one line:
      psi4 NAME gradients=G energy=E wall=S cpu=S
"""
import os
import sys
import time

SMILES = {
    "water": "O",
    "ammonia": "N",
    "ethane": "CC",
    "ethanol": "CCO",
    "acetone": "CC(=O)C",
    "hcn": "C#N",
    "cyclohexane": "C1CCCCC1",
    "hexane": "CCCCCC",
}
FROM_BENCH = ("glycine", "benzene")


def starts(out):
    import random
    from rdkit import Chem
    from rdkit.Chem import AllChem
    here = os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    for name, smi in SMILES.items():
        mol = Chem.AddHs(Chem.MolFromSmiles(smi))
        params = AllChem.ETKDGv3()
        params.randomSeed = 20240617
        if AllChem.EmbedMolecule(mol, params) != 0:
            raise SystemExit("embedding failed for " + name)
        rng = random.Random(name)
        pos = mol.GetConformer().GetPositions()
        with open(os.path.join(out, name + ".xyz"), "w") as f:
            f.write("%d\n%s: RDKit ETKDG (seed 20240617) + uniform 0.05 A perturbation\n" % (len(pos), name))
            for atom, p in zip(mol.GetAtoms(), pos):
                q = [c + rng.uniform(-0.05, 0.05) for c in p]
                f.write("%-2s %12.6f %12.6f %12.6f\n" % (atom.GetSymbol(), q[0], q[1], q[2]))
    for name in FROM_BENCH:
        with open(os.path.join(here, "..", "bench", name + ".xyz")) as f:
            text = f.read()
        with open(os.path.join(out, name + ".xyz"), "w") as f:
            f.write(text)


def run(path, max_force, max_disp):
    import psi4
    name = os.path.basename(path)[:-4]
    psi4.core.set_output_file("psi4_%s.out" % name, False)
    psi4.set_num_threads(1)
    psi4.set_memory("2 GB")
    lines = open(path).read().split("\n")
    n = int(lines[0])
    psi4.geometry("units angstrom\nsymmetry c1\nno_reorient\nno_com\n" + "\n".join(lines[2:2 + n]))
    psi4.set_options({
        "basis": "def2-svp", "scf_type": "df", "df_basis_scf": "def2-svp-jfit", "puream": True,
        "e_convergence": 1e-8, "d_convergence": 1e-8, "geom_maxiter": 100,
        # Only these two are active when given without a preset change (optking rules).
        "max_force_g_convergence": max_force, "max_disp_g_convergence": max_disp,
    })
    wall, cpu = time.perf_counter(), time.process_time()
    energy, history = psi4.optimize("pbe", return_history=True)
    wall, cpu = time.perf_counter() - wall, time.process_time() - cpu
    print("psi4 %s gradients=%d energy=%.10f wall=%.1f cpu=%.1f" % (
        name, len(history["energy"]), energy, wall, cpu))


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "starts":
        starts(sys.argv[2])
    elif len(sys.argv) >= 3 and sys.argv[1] == "run":
        force = float(sys.argv[3]) if len(sys.argv) > 3 else 1e-4
        disp = float(sys.argv[4]) if len(sys.argv) > 4 else 1e-2
        run(sys.argv[2], force, disp)
    else:
        raise SystemExit(__doc__)
