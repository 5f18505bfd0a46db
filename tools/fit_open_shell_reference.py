#!/usr/bin/env python3
"""Open-shell reference for the fitted Coulomb steps: OH radical, UHF/def2-SVP.

Psi4 runs a density-fitted UHF (def2-universal-jfit, Psi4's def2-svp-jfit) and gives the alpha
and beta densities. For them this script prints, as C++ literals for
tests/integrals/fit_open_shell_reference_data.hpp:
  - the densities Da, Db (packed lower triangles);
  - the fitted Coulomb energy 1/2 (g_a + g_b)^T V^-1 (g_a + g_b), g_s = (P|mn) D_s(mn), with
    (P|mn), (P|Q) from MintsHelper and numpy;
  - the spin Coulomb matrices J_s(mn) = (mn|P) [V^-1 g_s]_P, packed.
The same matrices from Psi4's own DF-J (psi4.core.JK "DF", K off, on the occupied orbitals)
are compared and the largest difference printed.

Run with Psi4 1.3 (Debian package psi4):
  PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 tools/fit_open_shell_reference.py
"""
import numpy as np
import psi4

GEOMETRY = """
units bohr
symmetry c1
no_reorient
no_com
0 2
O  0.10 -0.20  0.05
H  0.35  1.60 -0.30
"""


def packed(m):
    n = m.shape[0]
    return [m[i, j] for i in range(n) for j in range(i + 1)]


def literal(name, values):
    rows = []
    for k in range(0, len(values), 4):
        rows.append("    " + " ".join("%.17g," % v for v in values[k:k + 4]))
    return "const double %s[] = {\n%s\n};" % (name, "\n".join(rows))


def main():
    psi4.core.be_quiet()
    psi4.set_num_threads(1)
    psi4.set_memory("1 GB")
    mol = psi4.geometry(GEOMETRY)
    psi4.set_options({"basis": "def2-svp", "df_basis_scf": "def2-svp-jfit", "scf_type": "df",
                      "reference": "uhf", "puream": True, "e_convergence": 1e-10, "d_convergence": 1e-8})
    energy, wfn = psi4.energy("hf", molecule=mol, return_wfn=True)
    orb = wfn.basisset()
    aux = psi4.core.BasisSet.build(mol, "DF_BASIS_SCF", "def2-svp-jfit", "JKFIT", "def2-svp", puream=True)
    da, db = wfn.Da().np.copy(), wfn.Db().np.copy()

    zero = psi4.core.BasisSet.zero_ao_basis_set()
    mints = psi4.core.MintsHelper(orb)
    pmn = mints.ao_eri(aux, zero, orb, orb).np[:, 0, :, :]
    v = mints.ao_eri(aux, zero, aux, zero).np[:, 0, :, 0]
    ga = np.einsum("pmn,mn->p", pmn, da)
    gb = np.einsum("pmn,mn->p", pmn, db)
    ca, cb = np.linalg.solve(v, ga), np.linalg.solve(v, gb)
    e_fit = 0.5 * (ga + gb) @ (ca + cb)
    ja = np.einsum("pmn,p->mn", pmn, ca)
    jb = np.einsum("pmn,p->mn", pmn, cb)

    jk = psi4.core.JK.build(orb, aux, "DF")
    jk.set_do_K(False)
    jk.set_memory(int(5e8))
    jk.initialize()
    jk.C_left_add(wfn.Ca_subset("AO", "OCC"))
    jk.C_left_add(wfn.Cb_subset("AO", "OCC"))
    jk.compute()
    psi4_ja, psi4_jb = jk.J()[0].np, jk.J()[1].np
    print("// Psi4 %s UHF energy %.12f, %d alpha and %d beta electrons" % (
        psi4.__version__, energy, wfn.nalpha(), wfn.nbeta()))
    print("// largest |J_numpy - J_psi4 DF-J|: alpha %.3g, beta %.3g" % (
        np.abs(ja - psi4_ja).max(), np.abs(jb - psi4_jb).max()))
    print("// Psi4 DF-J energy 1/2 tr((Da+Db)(Ja+Jb)) = %.17g" % (0.5 * np.sum((da + db) * (psi4_ja + psi4_jb))))
    print("const double kCoordinates[] = {%s};" % ", ".join(
        "%.17g" % mol.xyz(i)[k] for i in range(mol.natom()) for k in range(3)))
    print("constexpr int kFunctions = %d, kFitFunctions = %d;" % (orb.nbf(), aux.nbf()))
    print("constexpr double kFittedCoulomb = %.17g;" % e_fit)
    print(literal("kDensityAlpha", packed(da)))
    print(literal("kDensityBeta", packed(db)))
    print(literal("kCoulombAlpha", packed(ja)))
    print(literal("kCoulombBeta", packed(jb)))


if __name__ == "__main__":
    main()
