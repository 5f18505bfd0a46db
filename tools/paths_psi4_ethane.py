#!/usr/bin/python3
"""Psi4 reference numbers for the ethane rotation barrier (eclipsed transition state).

  OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 PYTHONPATH=/usr/lib/x86_64-linux-gnu \
      /usr/bin/python3 tools/paths_psi4_ethane.py [ts|minimum|irc]

Same model as tools/paths_psi4_reference.py: RKS PBE/def2-SVP, RI-J with def2-universal-jfit,
XC on the orbital density on a 200 x 974 Treutler grid. The transition state comes from
optking's TS search (opt_type TS, Hessian at the first step, gau_verytight) from the guess
below (staggered-to-eclipsed torsion 15 degrees short of eclipsed); Psi4 keeps the guess's D3
symmetry, which the torsion preserves, so its finite differences need fewer gradients.
"""
import math
import sys

import numpy as np
import psi4

OPTIONS = {
    "basis": "def2-svp", "puream": True, "scf_type": "df", "df_basis_scf": "def2-svp-jfit",
    "reference": "rks", "dft_radial_points": 200, "dft_spherical_points": 974,
    "dft_radial_scheme": "treutler", "dft_nuclear_scheme": "treutler",
    "e_convergence": 1e-10, "d_convergence": 1e-10, "g_convergence": "gau_verytight", "geom_maxiter": 100,
}


def ethane(twist):
    """Ethane with C-C along z; the lower methyl turned by twist degrees from eclipsed."""
    z, rho = 0.765 + 1.096 * math.cos(math.radians(68.5)), 1.096 * math.sin(math.radians(68.5))
    lines = ["0 1", "C 0 0 0.765", "C 0 0 -0.765"]
    for top, shift in ((1, 0.0), (-1, twist)):
        for k in range(3):
            phi = math.radians(120 * k + shift)
            lines.append("H %.6f %.6f %.6f" % (rho * math.cos(phi), rho * math.sin(phi), top * z))
    return "\n".join(lines + ["units angstrom", "no_com", "no_reorient"])


def report(tag, energy, mol):
    x = np.asarray(mol.geometry()) * psi4.constants.bohr2angstroms
    print("%s energy=%.10f" % (tag, energy))
    print("%s xyz" % tag, " ".join("%.8f" % v for v in x.ravel()))
    sys.stdout.flush()


if __name__ == "__main__":
    what = sys.argv[1] if len(sys.argv) > 1 else "all"
    psi4.core.set_output_file("ethane_psi4.out", False)
    psi4.set_num_threads(1)
    if what in ("ts", "irc", "all"):
        psi4.set_options(OPTIONS)
        psi4.set_options({"opt_type": "ts", "full_hess_every": 0})
        mol = psi4.geometry(ethane(15.0))
        report("ts", psi4.optimize("pbe", molecule=mol), mol)
        psi4.core.clean_options()
        psi4.set_options(OPTIONS)
        _, wfn = psi4.frequency("pbe", molecule=mol, return_wfn=True)
        print("ts frequencies", " ".join("%.3f" % f for f in wfn.frequencies().to_array()))
        sys.stdout.flush()
    if what in ("minimum", "all"):
        psi4.core.clean_options()
        psi4.set_options(OPTIONS)
        mol = psi4.geometry(ethane(60.0))
        report("staggered", psi4.optimize("pbe", molecule=mol), mol)
    if what in ("irc", "all"):
        psi4.core.clean_options()
        psi4.set_options(OPTIONS)
        psi4.set_options({"opt_type": "irc", "irc_direction": "forward", "irc_step_size": 0.2,
                          "full_hess_every": 0, "geom_maxiter": 300})
        energy, history = psi4.optimize("pbe", molecule=mol, return_history=True)
        print("irc last=%.10f" % energy, "energies", " ".join("%.8f" % e for e in history["energy"]))
