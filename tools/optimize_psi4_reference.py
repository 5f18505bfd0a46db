#!/usr/bin/python3
"""Psi4 reference minima for the optimizer's long cli test (tests/cli/long/optimize_minima.sh).

  PYTHONPATH=/usr/lib/x86_64-linux-gnu OMP_NUM_THREADS=1 /usr/bin/python3 tools/optimize_psi4_reference.py

Hydrogen peroxide (a torsion) from the start structure of the test, optimised with optking
(gau_verytight): RKS PBE/def2-SVP, RI-J with def2-universal-jfit (Psi4's def2-svp-jfit), XC
on a 200 x 974 Treutler grid. Prints the energy, the O-O and O-H distances (angstrom), the
O-O-H angle and the H-O-O-H torsion (degrees).
"""
import numpy as np
import psi4

START = """0 1
O  0.000000  0.700000 -0.050000
O  0.000000 -0.700000 -0.050000
H  0.800000  0.900000  0.450000
H -0.600000 -0.950000  0.600000
units angstrom
symmetry c1
no_com
no_reorient"""

psi4.core.set_output_file("/dev/null", False)
psi4.set_num_threads(1)
psi4.set_options({
    "basis": "def2-svp", "puream": True, "scf_type": "df", "df_basis_scf": "def2-svp-jfit",
    "reference": "rks", "dft_radial_points": 200, "dft_spherical_points": 974,
    "dft_radial_scheme": "treutler", "dft_nuclear_scheme": "treutler",
    "e_convergence": 1e-10, "d_convergence": 1e-10, "g_convergence": "gau_verytight", "geom_maxiter": 100,
})
mol = psi4.geometry(START)
energy = psi4.optimize("pbe", molecule=mol)
x = np.asarray(mol.geometry()) * psi4.constants.bohr2angstroms


def angle(a, b, c):
    u, v = x[a] - x[b], x[c] - x[b]
    return np.degrees(np.arccos(u @ v / np.linalg.norm(u) / np.linalg.norm(v)))


def torsion(a, b, c, d):
    b0, b1, b2 = x[b] - x[a], x[c] - x[b], x[d] - x[c]
    n1, n2 = np.cross(b0, b1), np.cross(b1, b2)
    return np.degrees(np.arctan2(np.cross(n1, n2) @ b1 / np.linalg.norm(b1), n1 @ n2))


print("h2o2 energy=%.10f r_oo=%.10f r_oh=%.10f a_ooh=%.8f t_hooh=%.8f" % (
    energy, np.linalg.norm(x[0] - x[1]), np.linalg.norm(x[0] - x[2]), angle(1, 0, 2), torsion(2, 0, 1, 3)))
