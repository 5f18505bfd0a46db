#!/usr/bin/env python3
"""Psi4 side of the exchange-correlation pass benchmark (run by xc_pass_bench.sh).

Usage: xc_pass_bench.py GEOMETRY.xyz DENSITY_OUT RADIAL SPHERICAL [REPEATS]

Writes the core-Hamiltonian guess density of the closed-shell molecule with def2-SVP
(D = 2 C_occ C_occ^T, spherical functions, Psi4's function order) packed to DENSITY_OUT and
times Psi4's PBE potential build (VBase "RV", compute_V for the alpha density D/2) on one
thread on an unpruned RADIAL x SPHERICAL grid, REPEATS times after one warm-up call.
"""
import sys
import time

import numpy as np
import psi4


def main():
    xyz, out = sys.argv[1], sys.argv[2]
    radial, spherical = int(sys.argv[3]), int(sys.argv[4])
    repeats = int(sys.argv[5]) if len(sys.argv) > 5 else 3
    psi4.core.be_quiet()
    psi4.set_num_threads(1)
    psi4.set_memory("2 GB")
    lines = open(xyz).read().split("\n")
    atoms = "\n".join(lines[2:2 + int(lines[0])])
    mol = psi4.geometry("units angstrom\nsymmetry c1\nno_reorient\nno_com\n0 1\n" + atoms)
    mol.update_geometry()
    psi4.set_options({"basis": "def2-svp", "puream": True, "dft_radial_points": radial,
                      "dft_spherical_points": spherical})
    orb = psi4.core.BasisSet.build(mol, "ORBITAL", "def2-svp", puream=True)
    mints = psi4.core.MintsHelper(orb)
    s, h = mints.ao_overlap().np, mints.ao_kinetic().np + mints.ao_potential().np
    e, u = np.linalg.eigh(s)
    x = u / np.sqrt(e)
    _, c = np.linalg.eigh(x.T @ h @ x)
    nocc = sum(int(mol.Z(i)) for i in range(mol.natom())) // 2
    cocc = x @ c[:, :nocc]
    d = 2.0 * cocc @ cocc.T
    n = d.shape[0]
    np.array([d[i, j] for i in range(n) for j in range(i + 1)], dtype="<f8").tofile(out)

    sup = psi4.driver.dft.build_superfunctional("PBE", True)[0]
    t0 = time.perf_counter()
    V = psi4.core.VBase.build(orb, sup, "RV")
    V.initialize()
    t_init = time.perf_counter() - t0
    V.set_D([psi4.core.Matrix.from_array(0.5 * d)])
    vm = psi4.core.Matrix(n, n)
    V.compute_V([vm])  # warm-up
    walls, cpus = [], []
    for _ in range(repeats):
        vm = psi4.core.Matrix(n, n)
        t0, c0 = time.perf_counter(), time.process_time()
        V.compute_V([vm])
        walls.append(time.perf_counter() - t0)
        cpus.append(time.process_time() - c0)
    q = V.quadrature_values()
    npts = V.grid().npoints()
    print("psi4 %s: %d atoms, %d functions, grid %d x %d, %d points, set-up %.3f s" % (
        psi4.__version__, mol.natom(), n, radial, spherical, npts, t_init))
    print("psi4 Exc = %.10f, rho integrates to %.8f" % (q["FUNCTIONAL"], q["RHO_A"] + q["RHO_B"]))
    print("psi4 compute_V times: " + " ".join("%.3f" % t for t in walls))
    c = np.median(cpus)  # the machine is shared: per point in process cpu time
    print("psi4 median compute_V %.3f s (cpu %.3f, %.3f us/point)" % (np.median(walls), c, 1e6 * c / npts))


if __name__ == "__main__":
    main()
