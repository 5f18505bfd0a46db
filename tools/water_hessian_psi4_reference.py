#!/usr/bin/env python3
"""Psi4 Cartesian Hessian of water at the shared reference minimum, for the Hessian tests.

Model shared with Ostrel's fit=J, fitxc=0 runs: RKS PBE/def2-SVP (pure functions), Coulomb
fitted in the Coulomb metric with def2-universal-jfit (Psi4's def2-svp-jfit), exchange-
correlation from the orbital density on a 200 x 974 unpruned grid (Treutler radii and
partition); e_convergence 1e-10, d_convergence 1e-10. Hessian by 3-point central differences
of analytic gradients (findif, disp_size 0.005), coordinates of
/work/shared/reference/geometry_vibrations_reference.json as written (no reorientation, no
recentring, no symmetry).

Run with Psi4 1.3 (Debian package psi4), one thread:
  OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 PYTHONPATH=/usr/lib/x86_64-linux-gnu \
    /usr/bin/python3 tools/water_hessian_psi4_reference.py
Prints the geometry (angstrom), the energy and the lower triangle of the 9 x 9 Hessian
(hartree/bohr^2) by rows.
"""
import json

import psi4

REFERENCE = "/work/shared/reference/geometry_vibrations_reference.json"


def main():
    psi4.core.set_output_file("/dev/null", False)
    psi4.set_num_threads(1)
    psi4.set_memory("2 GB")
    water = json.load(open(REFERENCE))["vibrations"][0]
    lines = ["%s %.17g %.17g %.17g" % (s, *xyz) for s, xyz in zip(water["symbols"], water["coords_angstrom"])]
    mol = psi4.geometry("0 1\n%s\nunits angstrom\nsymmetry c1\nno_reorient\nno_com\n" % "\n".join(lines))
    psi4.set_options({
        "basis": "def2-svp", "puream": True, "scf_type": "df", "df_basis_scf": "def2-svp-jfit",
        "dft_radial_points": 200, "dft_spherical_points": 974, "dft_radial_scheme": "treutler",
        "dft_nuclear_scheme": "treutler", "e_convergence": 1e-10, "d_convergence": 1e-10,
        "points": 3, "disp_size": 0.005})
    hessian, wfn = psi4.hessian("pbe", dertype=1, molecule=mol, return_wfn=True)
    h = hessian.np
    print("geometry (angstrom):")
    for line in lines:
        print("  " + line)
    print("energy %.12f" % wfn.energy())
    print("hessian (lower triangle by rows):")
    for i in range(h.shape[0]):
        print("  " + ", ".join("%.10e" % h[i, j] for j in range(i + 1)) + ",")


if __name__ == "__main__":
    main()
