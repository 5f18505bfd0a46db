#!/usr/bin/env python3
"""Psi4 side of the fitted-Coulomb benchmark (run by coulomb_fit_bench.sh).

Usage: coulomb_fit_bench.py GEOMETRY.xyz DENSITY_OUT [REPEATS] [JK_TYPE]

Builds the core-Hamiltonian guess density of the closed-shell molecule with def2-SVP
(D = 2 C_occ C_occ^T, spherical functions, Psi4's function order), writes it packed (lower
triangle, row by row, little-endian doubles) to DENSITY_OUT, and times Psi4's DF-J build on
one thread with def2-universal-jfit (Psi4's def2-svp-jfit): psi4.core.JK "DF", K off.
"initialize" makes and stores the three-index integrals, "compute" contracts them with the
density; both are timed (wall and process cpu), REPEATS times each from a fresh JK object.
JK_TYPE: "DF" (default; Psi4 1.3 gives DiskDFJK) or "MEM_DF" (in-core MemDFJK).
"""
import sys
import time

import numpy as np
import psi4


def main():
    xyz, out = sys.argv[1], sys.argv[2]
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    jk_type = sys.argv[4] if len(sys.argv) > 4 else "DF"
    psi4.core.be_quiet()
    psi4.set_num_threads(1)
    psi4.set_memory("2 GB")
    lines = open(xyz).read().split("\n")
    atoms = "\n".join(lines[2:2 + int(lines[0])])
    mol = psi4.geometry("units angstrom\nsymmetry c1\nno_reorient\nno_com\n0 1\n" + atoms)
    mol.update_geometry()
    psi4.set_options({"basis": "def2-svp", "puream": True, "scf_type": "df"})
    orb = psi4.core.BasisSet.build(mol, "ORBITAL", "def2-svp", puream=True)
    aux = psi4.core.BasisSet.build(mol, "DF_BASIS_SCF", "def2-svp-jfit", "JKFIT", "def2-svp", puream=True)

    mints = psi4.core.MintsHelper(orb)
    s, h = mints.ao_overlap().np, mints.ao_kinetic().np + mints.ao_potential().np
    e, u = np.linalg.eigh(s)
    x = u / np.sqrt(e)  # canonical orthogonalisation
    _, c = np.linalg.eigh(x.T @ h @ x)
    nocc = sum(int(mol.Z(i)) for i in range(mol.natom())) // 2
    cocc = x @ c[:, :nocc]
    d = 2.0 * cocc @ cocc.T
    n = d.shape[0]
    np.array([d[i, j] for i in range(n) for j in range(i + 1)], dtype="<f8").tofile(out)

    init, comp, cpu = [], [], []
    for _ in range(repeats):
        jk = psi4.core.JK.build(orb, aux, jk_type)
        jk.set_do_K(False)
        jk.set_memory(int(1.5e9 / 8))
        jk.set_omp_nthread(1)
        t0, c0 = time.perf_counter(), time.process_time()
        jk.initialize()
        t1, c1 = time.perf_counter(), time.process_time()
        jk.C_left_add(psi4.core.Matrix.from_array(np.sqrt(2.0) * cocc))
        jk.compute()
        t2, c2 = time.perf_counter(), time.process_time()
        init.append(t1 - t0)
        comp.append(t2 - t1)
        cpu.append(c2 - c0)
        j = jk.J()[0].np.copy()
        jk.finalize()
    print("psi4 %s %s: %d atoms, %d functions, %d fitting functions, %d occupied" % (
        psi4.__version__, jk.name(), mol.natom(), n, aux.nbf(), nocc))
    print("psi4 energy 1/2 tr(D J) = %.12f" % (0.5 * np.sum(d * j)))
    print("psi4 initialize times:", " ".join("%.3f" % t for t in init))
    print("psi4 compute times:   ", " ".join("%.3f" % t for t in comp))
    print("psi4 cpu times:       ", " ".join("%.3f" % t for t in cpu))
    print("psi4 median initialize %.3f s compute %.3f s total %.3f s (cpu %.3f)" % (
        np.median(init), np.median(comp), np.median(np.array(init) + np.array(comp)), np.median(cpu)))


if __name__ == "__main__":
    main()
