#!/usr/bin/python3
"""Psi4 reference numbers for the ethane rotation barrier (examples/ethane_*.inp and the long
ethane path test).

  OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 PYTHONPATH=/usr/lib/x86_64-linux-gnu \
      /usr/bin/python3 tools/paths_psi4_ethane.py [ts|minimum|all]

Same model as tools/paths_psi4_reference.py: RKS PBE/def2-SVP, RI-J with def2-universal-jfit,
XC on the orbital density on a 200 x 974 Treutler grid, e/d_convergence 1e-10, gau_verytight.
The transition state is the eclipsed structure (D3h): the torsion is the one coordinate that
breaks the symmetry, so optking's optimisation that keeps the symmetry (Psi4 uses its abelian
subgroup C2v, twofold axis along x) converges on the saddle point without the TS search's
Hessian, which would cost some thirty gradients more. Its imaginary frequency comes from the
Hessian by differences of gradients in the torsion's irreducible representation alone (A2 of
that C2v). The minimum (staggered, D3d, computed in C2h) from the same optimisation.

Its output (Psi4 1.3.2, one thread):
  ts energy=-79.6373137205   (eclipsed; C-C 1.541647, C-H 1.108505 angstrom)
  ts frequencies -301.225 1111.890 1427.480 3052.971   (A2: the torsion and three more)
  staggered energy=-79.6417887166   (C-C 1.527980, C-H 1.109617 angstrom)
The xyz lines it prints are the structures of examples/ethane_*.inp.
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
    """C-C along z; the upper methyl turned by -twist/2, the lower by +twist/2 from eclipsed."""
    z, rho = 0.765 + 1.096 * math.cos(math.radians(68.5)), 1.096 * math.sin(math.radians(68.5))
    lines = ["0 1", "C 0 0 0.765", "C 0 0 -0.765"]
    for top, shift in ((1, -0.5 * twist), (-1, 0.5 * twist)):
        for k in range(3):
            phi = math.radians(120 * k + shift)
            lines.append("H %.6f %.6f %.6f" % (rho * math.cos(phi), rho * math.sin(phi), top * z))
    return "\n".join(lines + ["units angstrom", "no_com", "no_reorient"])


def report(tag, energy, mol):
    x = np.asarray(mol.geometry()) * psi4.constants.bohr2angstroms
    print("%s energy=%.10f" % (tag, energy))
    print("%s xyz" % tag, " ".join("%.8f" % v for v in x.ravel()))
    sys.stdout.flush()


def optimise(tag, twist, irrep=None):
    psi4.core.clean_options()
    psi4.set_options(OPTIONS)
    mol = psi4.geometry(ethane(twist))
    report(tag, psi4.optimize("pbe", molecule=mol), mol)
    print("%s point group %s" % (tag, mol.point_group().symbol()))
    if irrep is not None:
        psi4.core.clean_options()
        psi4.set_options(OPTIONS)
        _, wfn = psi4.frequency("pbe", molecule=mol, return_wfn=True, irrep=irrep)
        print("%s frequencies" % tag, " ".join("%.3f" % f for f in wfn.frequencies().to_array()))
    sys.stdout.flush()


if __name__ == "__main__":
    what = sys.argv[1] if len(sys.argv) > 1 else "all"
    psi4.core.set_output_file("ethane_psi4.out", False)
    psi4.set_num_threads(1)
    if what in ("ts", "all"):
        optimise("ts", 0.0, irrep=2)
    if what in ("minimum", "all"):
        optimise("staggered", 60.0)
