#!/usr/bin/env python3
"""Psi4 reference matrices for the one-electron driver tests.

Writes tests/integrals/generated/one_electron_reference_data.hpp: for water and methyl iodide
in def2-SVP and for water and hydrogen bromide in def2-TZVP (spherical functions; f shells on
O and Br) the nuclear repulsion, the traces of S, T, V and H = T + V (+ ECP), selected elements
(several on f functions in def2-TZVP), and either the sum of |H| (def2-SVP) or the lowest and
highest eigenvalue, the sum and the sum of squares of S^-1/2 T S^-1/2 (def2-TZVP), which do not
depend on function order or phase. Water is the geometry of the DFT reference set; geometries
are converted to bohr with Psi4's own factor so both programs see the same coordinates. For
methyl iodide the iodine potential is given in the form the Ostrel library stores it
(semilocal s, p, d, f channels, no local part), so both programs integrate the same operator;
its V then holds the potential's share too, and the nuclear repulsion counts iodine as 25.

Run with Psi4 1.3 (Debian package psi4):
  PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 tools/one_electron_reference.py
"""
import os
import tempfile

import numpy as np
import psi4

BOHR = 0.52917721067
WATER_ANGSTROM = [("O", 0.0, 0.0, 0.0), ("H", 0.0, 0.75695, -0.585882), ("H", 0.0, -0.75695, -0.585882)]
CH3I_ANGSTROM = [("C", 0, 0, 0), ("I", 0, 0, 2.14), ("H", 1.03, 0, -0.36), ("H", -0.51, 0.89, -0.36),
                 ("H", -0.51, -0.89, -0.36)]
HBR_ANGSTROM = [("H", 0.0, 0.0, 0.0), ("Br", 0.0, 0.0, 1.41)]
GBS = "/usr/share/psi4/basis/def2-svp.gbs"
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "integrals", "generated",
                   "one_electron_reference_data.hpp")

# The library's iodine potential: U_s, U_p, U_d, U_f as semilocal channels, zero beyond f.
IODINE_ECP = """I-ECP     4     28
g-ul potential
  1
2      1.00000000             0.00000000
s-ul potential
  3
2     40.01583500            49.99429300
2     17.42974700           281.02531700
2      9.00548400            61.57332600
p-ul potential
  4
2     15.35546600            67.44284100
2     14.97183300           134.88113700
2      8.96016400            14.67505100
2      8.25909600            29.37566600
d-ul potential
  6
2     15.06890800            35.43952900
2     14.55532200            53.17605700
2      6.71864700             9.06719500
2      6.45639300            13.20693700
2      1.19177900             0.08933500
2      1.29115700             0.05238000
f-ul potential
  4
2     19.45860900           -21.84204000
2     19.34926000           -28.46819100
2      4.82376700            -0.24371300
2      4.88431500            -0.32080400
"""



def library_form_basis(directory):
    text = open(GBS).read()
    start = text.index("I-ECP")
    end = text.index("XE     0", start)
    with open(os.path.join(directory, "libsvp.gbs"), "w") as f:
        f.write(text[:start] + IODINE_ECP + text[end:])


def molecule(name, atoms):
    geometry = "units bohr\nsymmetry c1\nno_reorient\nno_com\n" + "\n".join(
        "%s %.17g %.17g %.17g" % (s, x / BOHR, y / BOHR, z / BOHR) for s, x, y, z in atoms)
    mol = psi4.geometry(geometry, name=name)
    mol.update_geometry()
    return mol


def reference(cname, mol_name, atoms, basis, elements, levels):
    mol = molecule(cname, atoms)
    z = [int(round(psi4.core.Molecule.Z(mol, i))) for i in range(mol.natom())]
    text = "$molecule units=b cartesian\\n" + "\\n".join(
        " %d %s" % (zi, " ".join("%.17g" % mol.xyz(i)[k] for k in range(3))) for i, zi in enumerate(z)) + "\\n$end\\n"
    bs = psi4.core.BasisSet.build(mol, "ORBITAL", basis, puream=True)
    mints = psi4.core.MintsHelper(bs)
    s, t, v = mints.ao_overlap().np, mints.ao_kinetic().np, mints.ao_potential().np
    h = t + v
    if bs.has_ECP():
        h = h + mints.ao_ecp().np
    nbf = bs.nbf()
    rows = ["{%d, %d, %.17g, %.17g, %.17g, %.17g}" % (i, j, s[i, j], t[i, j], v[i, j], h[i, j])
            for i, j in ((nbf + i if i < 0 else i, j) for i, j in elements)]
    if levels:
        w, u = np.linalg.eigh(s)
        x = u @ np.diag(w ** -0.5) @ u.T
        e = np.linalg.eigvalsh(x @ t @ x)
        summary = "{%.17g, %.17g, %.17g, %.17g}" % (e.min(), e.max(), e.sum(), (e * e).sum())
        tail = summary
    else:
        tail = "{}, %.17g" % abs(h).sum()
    body = ("inline const Reference %s{%s, %d, %.17g, %.17g, %.17g, %.17g, %.17g,\n    {%s},\n    %s};\n" %
            (cname, mol_name, nbf, mol.nuclear_repulsion_energy(), s.trace(), t.trace(), h.trace() - t.trace(),
             h.trace(), ",\n     ".join(rows), tail))
    return text, body


def main():
    psi4.core.be_quiet()
    svp = [(0, 0), (1, 0), (6, 3), (10, 7), (14, 2), (20, 16), (-1, 0), (-3, 5)]
    out = []
    molecules = {}
    text, body = reference("kWaterSvp", "kWater", WATER_ANGSTROM, "def2-svp", svp, False)
    molecules["kWater"] = text
    out.append(body)
    # O: 5s 3p 2d 1f (f = functions 24..30), each H: 3s 1p.
    out.append(reference("kWaterTzvp", "kWater", WATER_ANGSTROM, "def2-tzvp",
                         [(0, 0), (24, 24), (25, 25), (27, 24), (28, 28), (30, 26), (31, 24), (34, 25), (36, 30),
                          (40, 27), (42, 29), (29, 16), (26, 8), (42, 0)], True)[1])
    # H: 3s 1p (0..5); Br: 6s 5p 4d 1f (f = functions 47..53), H on the z axis.
    text, body = reference("kHBrTzvp", "kHBr", HBR_ANGSTROM, "def2-tzvp",
                           [(0, 0), (47, 47), (47, 2), (48, 4), (49, 5), (48, 13), (47, 27), (50, 50), (53, 53),
                            (51, 47), (52, 32), (53, 0), (46, 3), (30, 1)], True)
    molecules["kHBr"] = text
    out.append(body)
    home = os.getcwd()
    directory = tempfile.mkdtemp()
    library_form_basis(directory)
    os.chdir(directory)
    text, body = reference("kMethylIodideSvp", "kMethylIodide", CH3I_ANGSTROM, "libsvp", svp, False)
    os.chdir(home)
    molecules["kMethylIodide"] = text
    out.append(body)
    head = ["// Generated by tools/one_electron_reference.py with Psi4 1.3.2 (MintsHelper, spherical functions);",
            "// do not edit.",
            "#pragma once",
            "#include <vector>",
            "",
            "namespace ostrel::one_electron_reference {",
            ""]
    for name in ("kWater", "kMethylIodide", "kHBr"):
        head.append('inline constexpr const char* %s = "%s";' % (name, molecules[name]))
    head += ["",
             "struct Element {",
             "  int i, j;",
             "  double s, t, v, h;",
             "};",
             "",
             "struct Reference {",
             "  const char* molecule;",
             "  int n;",
             "  double nuclear, trace_s, trace_t, trace_v, trace_h;  // V holds a core potential's share",
             "  std::vector<Element> elements;",
             "  double levels[4];  // S^-1/2 T S^-1/2: lowest, highest, sum, sum of squares (zero: not given)",
             "  double sum_abs_h = 0.0;  // sum over all |H(i, j)|, when given",
             "};",
             ""]
    with open(OUT, "w") as f:
        f.write("\n".join(head) + "\n" + "\n".join(out) + "\n}  // namespace ostrel::one_electron_reference\n")


if __name__ == "__main__":
    main()
