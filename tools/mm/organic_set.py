#!/usr/bin/env python3
"""Writes the starting force-field parameter set data/mm/organic.mm (H, C, N, O, F, Cl, S).

Bonded constants are the harmonic values of the AMBER parm99 / GAFF force fields (K in
kcal/mol/A^2 and kcal/mol/rad^2 for K (x - x0)^2, torsions (V/d)(1 + cos(n phi - gamma)))
converted to this program's form (0.5 k (x - x0)^2, V (1 - cos(n (phi - phi0))), atomic
units), with reference lengths and angles moved towards PBE/def2-SVP minima where those
are known to differ. Bond charge increments are rounded MMFF94 values. The repulsion radii
and hardnesses imitate the repulsive wall of the MM3 exp-6 potential near contact. The set
has no stretch-bend couplings yet; a fit against this program's own PBE/def2-SVP results is
to replace these numbers.

Usage: python3 tools/mm/organic_set.py > data/mm/organic.mm
"""
import math

KCAL = 1.0 / 627.509474
BOHR = 1.8897259885789233
DEG = math.pi / 180.0

TYPES = ["H", "HO", "HN", "C4", "C3", "C2", "N3", "N2", "N1", "O2", "O1", "F1", "Cl1", "S2"]
ELEMENT = {"H": "H", "HO": "H", "HN": "H", "C4": "C", "C3": "C", "C2": "C",
           "N3": "N", "N2": "N", "N1": "N", "O2": "O", "O1": "O", "F1": "F", "Cl1": "Cl", "S2": "S"}
# repulsion radius (bohr), hardness (1/bohr)
REPULSION = {"H": (0.55, 2.0), "C": (1.6, 1.9), "N": (1.5, 1.95), "O": (1.4, 2.0), "F": (1.3, 2.1),
             "Cl": (2.0, 1.7), "S": (2.1, 1.7)}

# type1 type2 r0 (A) K dq (type2 gains dq)
BONDS = [
    ("C4", "H", 1.095, 340, 0.0), ("C3", "H", 1.090, 367, 0.10), ("C2", "H", 1.070, 400, 0.15),
    ("C4", "C4", 1.530, 310, 0.0), ("C4", "C3", 1.505, 317, 0.0), ("C4", "C2", 1.460, 350, 0.0),
    ("C3", "C3", 1.395, 469, 0.0), ("C3", "C2", 1.430, 400, 0.0), ("C2", "C2", 1.210, 988, 0.0),
    ("C4", "N3", 1.465, 367, -0.27), ("C3", "N3", 1.370, 490, -0.25), ("C4", "N2", 1.460, 340, -0.27),
    ("C3", "N2", 1.340, 500, -0.30), ("C2", "N1", 1.165, 1050, -0.40),
    ("C4", "O2", 1.425, 320, -0.28), ("C3", "O2", 1.360, 450, -0.30), ("C3", "O1", 1.225, 570, -0.50),
    ("O2", "HO", 0.975, 553, 0.42), ("N3", "HN", 1.018, 434, 0.30), ("N2", "HN", 1.025, 434, 0.30),
    ("C4", "F1", 1.385, 367, -0.23), ("C3", "F1", 1.350, 400, -0.20), ("C4", "Cl1", 1.800, 279, -0.10),
    ("C3", "Cl1", 1.740, 300, -0.10), ("C4", "S2", 1.830, 237, 0.0), ("C3", "S2", 1.740, 300, 0.0),
    ("S2", "H", 1.355, 274, 0.15),
]

# outer centre outer theta0 (deg) K
ANGLES = [
    ("H", "C4", "H", 107.8, 35), ("H", "C4", "C4", 110.5, 50), ("C4", "C4", "C4", 112.0, 40),
    ("H", "C4", "C3", 109.5, 50), ("C3", "C4", "C4", 111.5, 63), ("C3", "C4", "C3", 111.0, 63),
    ("H", "C4", "C2", 109.5, 50), ("C2", "C4", "C4", 112.0, 63), ("H", "C4", "N3", 109.5, 50),
    ("C4", "C4", "N3", 111.2, 80), ("C3", "C4", "N3", 111.0, 80), ("H", "C4", "N2", 109.5, 50),
    ("H", "C4", "O2", 109.5, 50), ("C4", "C4", "O2", 108.5, 50), ("C3", "C4", "O2", 109.5, 50),
    ("H", "C3", "H", 117.0, 35), ("H", "C3", "C3", 120.0, 50), ("C3", "C3", "C3", 120.0, 63),
    ("C4", "C3", "C3", 121.0, 70), ("H", "C3", "C4", 116.0, 50), ("C4", "C3", "C4", 116.5, 63),
    ("H", "C3", "O1", 121.8, 50), ("C4", "C3", "O1", 123.5, 80), ("C3", "C3", "O1", 122.0, 80),
    ("N3", "C3", "O1", 123.5, 80), ("O1", "C3", "O2", 123.0, 80), ("H", "C3", "N3", 113.0, 50),
    ("C4", "C3", "N3", 115.0, 70), ("C3", "C3", "N3", 120.0, 70), ("H", "C3", "O2", 110.5, 50),
    ("C4", "C3", "O2", 111.0, 70), ("C3", "C3", "O2", 120.0, 70), ("C3", "C3", "N2", 123.5, 70),
    ("H", "C3", "N2", 116.0, 50), ("C2", "C3", "C3", 122.0, 63), ("H", "C3", "C2", 118.0, 50),
    ("HN", "N3", "HN", 106.4, 35), ("C4", "N3", "HN", 109.5, 50), ("C4", "N3", "C4", 112.0, 50),
    ("C3", "N3", "HN", 118.0, 50), ("C3", "N3", "C4", 121.0, 50), ("C3", "N3", "C3", 120.0, 50),
    ("C3", "N2", "C3", 117.0, 70), ("C3", "N2", "HN", 110.0, 50), ("C3", "N2", "C4", 118.0, 70),
    ("C4", "O2", "HO", 108.5, 55), ("C3", "O2", "HO", 107.0, 50), ("C4", "O2", "C4", 112.0, 60),
    ("C3", "O2", "C4", 116.0, 60), ("HO", "O2", "HO", 102.5, 50),
    ("H", "C4", "F1", 109.0, 51), ("C4", "C4", "F1", 110.0, 66), ("F1", "C4", "F1", 107.5, 71),
    ("H", "C4", "Cl1", 107.7, 42), ("C4", "C4", "Cl1", 110.8, 64), ("Cl1", "C4", "Cl1", 111.0, 65),
    ("C3", "C3", "F1", 120.0, 70), ("H", "C3", "F1", 113.0, 50), ("C3", "C3", "Cl1", 120.0, 63),
    ("H", "C3", "Cl1", 114.0, 45), ("H", "C4", "S2", 108.6, 43), ("C4", "C4", "S2", 110.0, 63),
    ("C4", "S2", "H", 96.4, 44), ("C4", "S2", "C4", 99.0, 62), ("C3", "S2", "C3", 92.0, 62),
    ("C3", "C3", "S2", 120.0, 63), ("C3", "S2", "H", 96.0, 46), ("H", "C3", "S2", 120.0, 45),
]

# central bond: n, barrier V (kcal/mol, per torsion), phase gamma (deg) of the AMBER form
TORSIONS = {
    ("C4", "C4"): (3, 0.156, 0.0), ("C4", "N3"): (3, 0.15, 0.0), ("C4", "O2"): (3, 0.14, 0.0),
    ("C4", "C3"): (3, 0.05, 0.0), ("C4", "N2"): (3, 0.10, 0.0), ("C3", "C3"): (2, 3.625, 180.0),
    ("C3", "N3"): (2, 2.5, 180.0), ("C3", "O2"): (2, 1.2, 180.0), ("C3", "N2"): (2, 3.6, 180.0),
    ("C4", "S2"): (3, 0.10, 0.0), ("C3", "S2"): (2, 1.0, 180.0),
}


def partners(t):
    out = []
    for a, b, *_ in BONDS:
        if a == t:
            out.append(b)
        elif b == t:
            out.append(a)
    return out


def main():
    index = {t: k for k, t in enumerate(TYPES)}
    print("$mmdata   # starting organic set for H, C, N, O, F, Cl, S; regenerate with tools/mm/organic_set.py")
    print("# bonded terms: AMBER parm99 / GAFF converted; charges: MMFF94 bond increments (rounded);")
    print("# repulsion: MM3 exp-6 wall near contact. Atomic units throughout.")
    print("type")
    for t in TYPES:
        print("%-8s" % t)
    print("atom")
    for t in TYPES:
        r, a = REPULSION[ELEMENT[t]]
        print("%-8s 0 0 %14.9f %11.8f %11.8f %10.8f %10.8f" % (t, 0.0, 0.0, r, a, 0.0))
    print("bond")
    for a, b, r0, k, dq in BONDS:
        print("%-8s %-8s 0 0 %10.8f %10.8f %11.8f" % (a, b, r0 * BOHR, 2 * k * KCAL / BOHR ** 2, dq))
    print("angle")
    for a, c, b, th, k in ANGLES:
        assert a in partners(c) and b in partners(c), (a, c, b)
        print("%-8s %-8s %-8s 0 0 %10.8f %10.8f %10.8f %10.8f %10.8f" % (a, c, b, th * DEG, 2 * k * KCAL, 0, 0, 0))
    print("torsion1")
    for (j, k), (n, v, gamma) in TORSIONS.items():
        for i in partners(j):
            for l in partners(k):
                if j == k and index[i] > index[l]:
                    continue  # the same torsion read backwards
                phi0 = (gamma * DEG - math.pi) / n
                print("%-8s %-8s %-8s %-8s %d 0 %10.8f %10.8f %10.8f" % (i, j, k, l, n, phi0, v * KCAL, 0.0))
    print("torsion2")
    print("pair")
    print("$end")


if __name__ == "__main__":
    main()
