#!/usr/bin/env python3
"""Reference Coulomb integrals from Psi4 for the density-fitting tests.

Writes tests/integrals/generated/coulomb_psi4_reference_data.hpp with, for water:
  - the shells of def2-SVP, def2-TZVP and def2-universal-jfit (Psi4's def2-svp-jfit) as Psi4
    lists them (atom, L, exponents, library coefficients before normalisation);
  - the two-centre matrix (P|Q) of the fitting set, packed;
  - all three-centre integrals (P|mn) with def2-SVP (P-major, mn packed), and every 11th of the
    flattened def2-TZVP array;
  - the overlap metric of the fitting set and every 5th three-index overlap integral (P mn) with
    def2-SVP (same layout);
  - at the reference water geometry: the total PBE/def2-SVP density of a density-fitted Psi4 run,
    the fitted Coulomb energy 1/2 g^T V^-1 g and the exact Coulomb energy and matrix for it,
    both evaluated here with numpy from Psi4's integrals.
Psi4 normalises every auxiliary shell in the overlap metric (unit diagonal overlap).

Run with Psi4 1.3 (Debian package psi4):
  PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 tools/coulomb_psi4_reference.py OUT.hpp
"""
import sys

import numpy as np
import psi4

TEST_GEOMETRY = """
units bohr
symmetry c1
no_reorient
no_com
O  0.1 -0.2 0.05
H  1.5  1.1 -0.3
H -1.6  0.9  0.4
"""

REFERENCE_WATER = """
units angstrom
symmetry c1
no_reorient
no_com
O 0.0 0.0 0.0
H 0.0 0.75695 -0.585882
H 0.0 -0.75695 -0.585882
"""


def packed(m):
    n = m.shape[0]
    return [m[i, j] for i in range(n) for j in range(i + 1)]


def fmt(values):
    out = []
    for k in range(0, len(values), 4):
        out.append("    " + " ".join("%.17g," % v for v in values[k:k + 4]))
    return "\n".join(out)


def shells(name, bs):
    lines = ["inline const RefShell k%sShells[] = {" % name]
    for i in range(bs.nshell()):
        s = bs.shell(i)
        ex = ", ".join("%.17g" % s.exp(k) for k in range(s.nprimitive))
        co = ", ".join("%.17g" % s.original_coef(k) for k in range(s.nprimitive))
        lines.append("    {%d, %d, %d, {%s}, {%s}}," % (bs.shell_to_center(i), s.am, s.nprimitive, ex, co))
    lines.append("};")
    lines.append("inline const int k%sShellCount = %d;" % (name, bs.nshell()))
    return lines


def array(name, values):
    return ["inline const double k%s[] = {\n%s\n};" % (name, fmt(values))]


def build(geometry, orbital):
    mol = psi4.geometry(geometry)
    mol.update_geometry()
    orb = psi4.core.BasisSet.build(mol, "ORBITAL", orbital, puream=True)
    aux = psi4.core.BasisSet.build(mol, "DF_BASIS_SCF", "def2-svp-jfit", "JKFIT", orbital, puream=True)
    return mol, orb, aux


def three_centre(orb, aux):
    zero = psi4.core.BasisSet.zero_ao_basis_set()
    mints = psi4.core.MintsHelper(orb)
    pmn = mints.ao_eri(aux, zero, orb, orb).np[:, 0, :, :]
    return np.array([packed(pmn[p]) for p in range(pmn.shape[0])])


def main():
    psi4.core.be_quiet()
    psi4.set_options({"puream": True})
    out = []
    mol, svp, aux = build(TEST_GEOMETRY, "def2-svp")
    zero = psi4.core.BasisSet.zero_ao_basis_set()
    mints = psi4.core.MintsHelper(svp)
    v = mints.ao_eri(aux, zero, aux, zero).np[:, 0, :, 0]
    out += ["inline const double kCoordinates[] = {%s};" % ", ".join(
        "%.17g" % mol.xyz(i)[k] for i in range(mol.natom()) for k in range(3))]
    out += ["", "// def2-SVP, %d functions" % svp.nbf()] + shells("Svp", svp)
    out += ["", "// def2-universal-jfit, %d functions, overlap-normalised" % aux.nbf()] + shells("Jfit", aux)
    out += ["", "// (P|Q), packed"] + array("JfitMetric", packed(v))
    out += ["", "// (P|mn) with def2-SVP: P-major, mn packed"] + array("SvpThreeCentre", three_centre(svp, aux).ravel())
    s3 = mints.ao_3coverlap(aux, svp, svp).np
    s3 = np.array([packed(s3[p]) for p in range(s3.shape[0])]).ravel()
    out += ["", "// overlap metric of the fitting set, packed"]
    out += array("JfitOverlap", packed(psi4.core.MintsHelper(aux).ao_overlap().np))
    out += ["", "// three-index overlap (P mn) with def2-SVP, P-major, mn packed: elements 0, 5, 10, ..."]
    out += array("SvpThreeOverlap", s3[::5])
    _, tzvp, _ = build(TEST_GEOMETRY, "def2-tzvp")
    t = three_centre(tzvp, aux).ravel()
    out += ["", "// def2-TZVP, %d functions" % tzvp.nbf()] + shells("Tzvp", tzvp)
    out += ["", "// (P|mn) with def2-TZVP, P-major, mn packed: elements 0, 11, 22, ... of %d" % t.size]
    out += ["inline const int kTzvpThreeCentreStride = 11;", "inline const int kTzvpThreeCentreSize = %d;" % t.size]
    out += array("TzvpThreeCentre", t[::11])

    # PBE density of water (reference geometry) from a density-fitted run.
    mol, svp, aux = build(REFERENCE_WATER, "def2-svp")
    psi4.set_options({"basis": "def2-svp", "df_basis_scf": "def2-svp-jfit", "scf_type": "df",
                      "e_convergence": 1e-10, "d_convergence": 1e-9})
    energy, wfn = psi4.energy("pbe", molecule=mol, return_wfn=True)
    d = wfn.Da().np + wfn.Db().np
    mints = psi4.core.MintsHelper(svp)
    pmn = mints.ao_eri(aux, zero, svp, svp).np[:, 0, :, :]
    v = mints.ao_eri(aux, zero, aux, zero).np[:, 0, :, 0]
    g = np.einsum("pmn,mn->p", pmn, d)
    e_fit = 0.5 * g @ np.linalg.solve(v, g)
    eri = mints.ao_eri().np
    j = np.einsum("mnls,ls->mn", eri, d)
    e_exact = 0.5 * np.sum(j * d)
    out += ["", "// Water at the reference geometry (bohr, Psi4's conversion)"]
    out += ["inline const double kWaterCoordinates[] = {%s};" % ", ".join(
        "%.17g" % mol.xyz(i)[k] for i in range(mol.natom()) for k in range(3))]
    out += ["// Total PBE/def2-SVP density (Psi4 scf_type df with def2-universal-jfit), packed"]
    out += array("WaterDensity", packed(d))
    out += ["// 1/2 g^T V^-1 g and 1/2 tr(D J) for that density (numpy over Psi4's integrals)",
            "inline const double kWaterFittedCoulomb = %.17g;" % e_fit,
            "inline const double kWaterExactCoulomb = %.17g;" % e_exact]
    out += ["// Exact Coulomb matrix J(mn) = sum_ls (mn|ls) D(ls), packed"] + array("WaterExactJ", packed(j))

    head = ["// Generated by tools/coulomb_psi4_reference.py with Psi4 %s (MintsHelper, spherical "
            "functions); do not edit." % psi4.__version__,
            "#pragma once",
            "",
            "namespace ostrel::psi4_coulomb {",
            "",
            "struct RefShell {",
            "  int atom, l, nprim;",
            "  double exponents[8], coefficients[8];",
            "};",
            ""]
    with open(sys.argv[1], "w") as f:
        f.write("\n".join(head + out + ["", "}  // namespace ostrel::psi4_coulomb", ""]))
    print("energy", energy, "fitted J", e_fit, "exact J", e_exact)


if __name__ == "__main__":
    main()
