#!/usr/bin/env python3
"""Reference values of exchange and correlation functionals from libxc, through Psi4.

Run as:
  PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 tools/xc_libxc_reference.py \\
      > tests/scf/xc/generated/xc_libxc_reference.hpp

Prints a C++ table of spin-polarised energy densities and their first and second derivatives
with respect to (rho_a, rho_b, sigma_aa, sigma_ab, sigma_bb) at a few points, for the libxc
functionals that correspond to the program's exchange and correlation kinds.
"""
import numpy as np
import psi4

psi4.core.be_quiet()

# (name in the table, libxc components with their weights, x_code, c_code, p[0..2])
FUNCTIONALS = [
    ("slater", [("XC_LDA_X", 1.0)], 1, 0, (0, 0, 0)),
    ("pw92", [("XC_LDA_C_PW", 1.0)], 0, 1, (0, 0, 0)),
    ("vwn_rpa", [("XC_LDA_C_VWN_RPA", 1.0)], 0, 2, (0, 0, 0)),
    ("vwn5", [("XC_LDA_C_VWN", 1.0)], 0, 8, (0, 0, 0)),
    ("pbe_x", [("XC_GGA_X_PBE", 1.0)], 2, 0, (0, 0, 0)),
    ("pbe_c", [("XC_GGA_C_PBE", 1.0)], 0, 3, (0, 0, 0)),
    ("b88", [("XC_GGA_X_B88", 1.0)], 3, 0, (0, 0, 0)),
    ("optx", [("XC_GGA_X_OPTX", 1.0)], 6, 0, (0, 0, 0)),
    ("lyp", [("XC_GGA_C_LYP", 1.0)], 0, 4, (0, 0, 0)),
    # Becke exchange with b1 = 0.9 b2 is 0.1 Slater + 0.9 B88.
    ("b88_scaled", [("XC_LDA_X", 0.1), ("XC_GGA_X_B88", 0.9)], 3, 0, (0.00378, 0.0042, 0)),
    # PW92 + 0.81 H is 0.19 PW92 + 0.81 PBE correlation (both with the precise PW92 set).
    ("pbe_c_scaled", [("XC_LDA_C_PW_MOD", 0.19), ("XC_GGA_C_PBE", 0.81)], 0, 5, (0, 0, 0.81)),
    ("lyp_vwn_rpa", [("XC_GGA_C_LYP", 0.81), ("XC_LDA_C_VWN_RPA", 0.19)], 0, 6, (0, 0, 0.81)),
    ("lyp_pw92", [("XC_GGA_C_LYP", 0.81), ("XC_LDA_C_PW", 0.19)], 0, 7, (0, 0, 0.81)),
]

# rho_a, rho_b, grad rho_a, grad rho_b
POINTS = [
    (0.15, 0.15, (0.1, -0.05, 0.2), (0.1, -0.05, 0.2)),
    (0.3, 0.1, (0.2, 0.1, -0.3), (0.05, -0.02, 0.1)),
    (2e-3, 5e-4, (1e-3, 2e-3, 0.0), (-4e-4, 1e-4, 3e-4)),
    (12.0, 9.0, (5.0, 0.0, 3.0), (1.0, 4.0, -2.0)),
]

FIRST = ["RHO_A", "RHO_B", "GAMMA_AA", "GAMMA_AB", "GAMMA_BB"]


def superfunctional(components):
    sup = psi4.core.SuperFunctional.blank()
    for name, weight in components:
        f = psi4.core.LibXCFunctional(name, False)
        f.set_alpha(weight)
        if "_X_" in name:
            sup.add_x_functional(f)
        else:
            sup.add_c_functional(f)
    sup.set_max_points(len(POINTS))
    sup.set_deriv(2)
    sup.allocate()
    return sup


def native(sup):
    ga = [np.array(p[2]) for p in POINTS]
    gb = [np.array(p[3]) for p in POINTS]
    inputs = {
        "RHO_A": [p[0] for p in POINTS],
        "RHO_B": [p[1] for p in POINTS],
        "GAMMA_AA": [a @ a for a in ga],
        "GAMMA_AB": [a @ b for a, b in zip(ga, gb)],
        "GAMMA_BB": [b @ b for b in gb],
    }
    vals = {k: psi4.core.Vector.from_array(np.array(v)) for k, v in inputs.items()}
    out = {k: np.array(v.np) for k, v in sup.compute_functional(vals, len(POINTS)).items()}
    rows = []
    for n in range(len(POINTS)):
        e = out["V"][n]
        d1 = [out.get("V_" + k, np.zeros(len(POINTS)))[n] for k in FIRST]
        d2 = []
        for i in range(5):
            for j in range(i + 1):
                key = "V_%s_%s" % (FIRST[j], FIRST[i])
                alt = "V_%s_%s" % (FIRST[i], FIRST[j])
                v = out[key][n] if key in out else (out[alt][n] if alt in out else 0.0)
                d2.append(v)
        rows.append([e] + d1 + d2)
    return rows


def main():
    print("// libxc 5.2.3 through Psi4 1.3.2 (SuperFunctional.compute_functional, spin-polarised,")
    print("// deriv=2), written by tools/xc_libxc_reference.py: per functional and point the")
    print("// energy density, the five first derivatives in (rho_a, rho_b, sigma_aa, sigma_ab,")
    print("// sigma_bb) and the fifteen second derivatives packed as (i >= j) pairs of these.")
    print("#pragma once\n")
    print("namespace ostrel::testing {\n")
    print("struct LibxcPoint {\n  double rho_a, rho_b, grad_a[3], grad_b[3];\n};")
    print("inline constexpr LibxcPoint kLibxcPoints[%d] = {" % len(POINTS))
    for ra, rb, ga, gb in POINTS:
        print("    {%r, %r, {%r, %r, %r}, {%r, %r, %r}}," % ((ra, rb) + tuple(ga) + tuple(gb)))
    print("};")
    print("struct LibxcRow {\n  const char* name;\n  int x_code, c_code;\n  double p[3];\n"
          "  double values[%d][21];\n};" % len(POINTS))
    print("inline const LibxcRow kLibxcRows[] = {")
    for name, comps, x, c, p in FUNCTIONALS:
        rows = native(superfunctional(comps))
        print("    {\"%s\", %d, %d, {%r, %r, %r}, {" % ((name, x, c) + tuple(p)))
        for r in rows:
            print("        {" + ", ".join("%.17g" % v for v in r) + "},")
        print("    }},")
    print("};")
    print("\n}  // namespace ostrel::testing")


if __name__ == "__main__":
    main()
