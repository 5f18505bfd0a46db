#!/usr/bin/env python3
"""Reference values, from the closed-form expressions, of the exchange and correlation kinds
that have no counterpart in libxc: exchange 4 (the modified PBE form with the program's
coefficients), 5 and 7, and correlation 9 (LYP without its gradient terms).

Run as:  python3 tools/xc_formula_reference.py > tests/scf/xc/generated/xc_formula_reference.hpp

The derivatives are taken symbolically by SymPy and evaluated with 30 significant digits at
the points of tools/xc_libxc_reference.py, in (rho_a, rho_b, sigma_aa, sigma_ab, sigma_bb).
"""
import sympy as sp

ra, rb, saa, sab, sbb = sp.symbols("rho_a rho_b sigma_aa sigma_ab sigma_bb", positive=True)
VARS = [ra, rb, saa, sab, sbb]
R = sp.Rational
C = R(3, 2) * (3 / (4 * sp.pi)) ** R(1, 3)


def x2_of(rho, sigma):
    return sigma / rho ** R(8, 3)


def mpbe(rho, sigma):
    s2 = x2_of(rho, sigma) / (4 * (6 * sp.pi ** 2) ** R(2, 3))
    y = sp.Float("0.157") * s2 / (1 + sp.Float("0.157") * s2)
    f = 1 + sp.Float("1.3981845399013828") * y - sp.Float("0.6085439571585054") * y ** 2
    return -C * rho ** R(4, 3) * f


def becke_mixed(rho, sigma):
    k, b, g = sp.Float("0.003361232459613792"), sp.Float("0.000741"), sp.Float("0.00449276922095889")
    x2 = x2_of(rho, sigma)
    x = sp.sqrt(x2)
    return -rho ** R(4, 3) * (C + b * x2 / (1 + 6 * b * x * sp.asinh(x)) + (k - b) * x2 / (1 + g * x2))


def becke_half(rho, sigma):
    b = sp.Float("0.0042")
    x2 = x2_of(rho, sigma)
    x = sp.sqrt(x2)
    return -rho ** R(4, 3) * (C + b * x2 / (1 + 3 * b * x * sp.asinh(x)))


def lyp_local():
    a, b, c, d = (sp.Float(v) for v in ("0.04918", "0.132", "0.2533", "0.349"))
    rho = ra + rb
    cf = R(3, 10) * (3 * sp.pi ** 2) ** R(2, 3)
    den = 1 + d * rho ** R(-1, 3)
    omega = sp.exp(-c * rho ** R(-1, 3)) / den * rho ** R(-11, 3)
    return (-4 * a / den * ra * rb / rho
            - a * b * omega * ra * rb * 2 ** R(11, 3) * cf * (ra ** R(8, 3) + rb ** R(8, 3)))


# (name, x_code, c_code, energy density)
FUNCTIONALS = [
    ("mpbe", 4, 0, mpbe(ra, saa) + mpbe(rb, sbb)),
    ("becke_mixed", 5, 0, becke_mixed(ra, saa) + becke_mixed(rb, sbb)),
    ("becke_half", 7, 0, becke_half(ra, saa) + becke_half(rb, sbb)),
    ("lyp_local", 0, 9, lyp_local()),
]

POINTS = [
    (0.15, 0.15, (0.1, -0.05, 0.2), (0.1, -0.05, 0.2)),
    (0.3, 0.1, (0.2, 0.1, -0.3), (0.05, -0.02, 0.1)),
    (2e-3, 5e-4, (1e-3, 2e-3, 0.0), (-4e-4, 1e-4, 3e-4)),
    (12.0, 9.0, (5.0, 0.0, 3.0), (1.0, 4.0, -2.0)),
]


def subs_of(point):
    a, b, ga, gb = point
    dot = lambda u, v: sum(sp.Rational(repr(p)) * sp.Rational(repr(q)) for p, q in zip(u, v))
    return {ra: sp.Rational(repr(a)), rb: sp.Rational(repr(b)), saa: dot(ga, ga),
            sab: dot(ga, gb), sbb: dot(gb, gb)}


def main():
    print("// Closed-form values (SymPy, 30 digits), written by tools/xc_formula_reference.py: per")
    print("// kind and point the energy density, its five first derivatives in (rho_a, rho_b,")
    print("// sigma_aa, sigma_ab, sigma_bb) and the fifteen second derivatives as (i >= j) pairs.")
    print("// The points are those of xc_libxc_reference.hpp.")
    print("#pragma once\n")
    print("namespace ostrel::testing {\n")
    print("struct FormulaRow {\n  const char* name;\n  int x_code, c_code;\n  double values[%d][21];\n};"
          % len(POINTS))
    print("inline const FormulaRow kFormulaRows[] = {")
    for name, x, c, e in FUNCTIONALS:
        first = [sp.diff(e, v) for v in VARS]
        second = [sp.diff(first[j], VARS[i]) for i in range(5) for j in range(i + 1)]
        print("    {\"%s\", %d, %d, {" % (name, x, c))
        for pt in POINTS:
            s = subs_of(pt)
            vals = [sp.N(q.subs(s), 30) for q in [e] + first + second]
            print("        {" + ", ".join("%.17g" % float(v) for v in vals) + "},")
        print("    }},")
    print("};\n\n}  // namespace ostrel::testing")


if __name__ == "__main__":
    main()
