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

# H on C (and S), O, N; carbon sp3, olefinic sp2, carbonyl, aromatic, sp; nitrogen amine,
# planar (amide, aromatic, conjugated), two-bonded (imine, pyridine), sp; oxygen two-bonded
# (hydroxyl, ether, ester) and carbonyl; the names src/models/mm/mm_typing.cpp assigns.
TYPES = ["H", "HO", "HN", "C4", "C3", "CO", "CA", "C2", "N3", "NP", "N2", "N1", "O2", "O1", "F1", "Cl1", "S2"]
ELEMENT = {"H": "H", "HO": "H", "HN": "H", "C4": "C", "C3": "C", "CO": "C", "CA": "C", "C2": "C",
           "N3": "N", "NP": "N", "N2": "N", "N1": "N", "O2": "O", "O1": "O", "F1": "F", "Cl1": "Cl", "S2": "S"}
# repulsion radius (bohr), hardness (1/bohr)
REPULSION = {"H": (0.55, 2.0), "C": (1.6, 1.9), "N": (1.5, 1.95), "O": (1.4, 2.0), "F": (1.3, 2.1),
             "Cl": (2.0, 1.7), "S": (2.1, 1.7)}

# type1 type2 r0 (A) K dq (type2 gains dq). One bond per type pair, so a pair of types holds
# one bond order: C3-C3 is the olefinic double bond, C2-C2 the triple bond.
BONDS = [
    ("C4", "H", 1.095, 340, 0.0), ("C3", "H", 1.090, 367, 0.10), ("CO", "H", 1.115, 340, 0.06),
    ("CA", "H", 1.090, 367, 0.10), ("C2", "H", 1.070, 400, 0.15),
    ("C4", "C4", 1.530, 310, 0.0), ("C4", "C3", 1.500, 317, 0.0), ("C4", "CO", 1.515, 317, 0.0),
    ("C4", "CA", 1.510, 317, 0.0), ("C4", "C2", 1.460, 350, 0.0),
    ("C3", "C3", 1.340, 549, 0.0), ("C3", "CO", 1.470, 400, 0.0), ("C3", "CA", 1.470, 400, 0.0),
    ("CA", "CA", 1.400, 469, 0.0), ("CA", "CO", 1.490, 350, 0.0), ("CO", "CO", 1.530, 300, 0.0),
    ("C3", "C2", 1.430, 400, 0.0), ("CA", "C2", 1.430, 400, 0.0), ("C2", "C2", 1.210, 988, 0.0),
    ("C4", "N3", 1.465, 367, -0.27), ("C4", "NP", 1.455, 337, -0.27), ("CO", "NP", 1.365, 490, -0.25),
    ("CA", "NP", 1.380, 480, -0.25), ("C3", "NP", 1.380, 450, -0.25), ("C4", "N2", 1.460, 340, -0.27),
    ("C3", "N2", 1.290, 570, -0.30), ("CA", "N2", 1.340, 500, -0.30), ("C2", "N1", 1.165, 1050, -0.40),
    ("C4", "O2", 1.425, 320, -0.28), ("CO", "O2", 1.355, 450, -0.30), ("CA", "O2", 1.365, 450, -0.30),
    ("C3", "O2", 1.360, 450, -0.30), ("CO", "O1", 1.215, 570, -0.50),
    ("O2", "HO", 0.975, 553, 0.42), ("N3", "HN", 1.018, 434, 0.30), ("NP", "HN", 1.012, 434, 0.30),
    ("N2", "HN", 1.025, 434, 0.30),
    ("C4", "F1", 1.385, 367, -0.23), ("CA", "F1", 1.350, 400, -0.20), ("C3", "F1", 1.350, 400, -0.20),
    ("C4", "Cl1", 1.800, 279, -0.10), ("CA", "Cl1", 1.740, 300, -0.10), ("C3", "Cl1", 1.740, 300, -0.10),
    ("C4", "S2", 1.830, 237, 0.0), ("CA", "S2", 1.730, 300, 0.0), ("C3", "S2", 1.740, 300, 0.0),
    ("S2", "H", 1.355, 274, 0.15),
]

# Reference angle (deg) by centre and outer types, then by centre alone; force constants K by
# centre kind. The functional form has no out-of-plane term: at a trigonal centre the
# reference angles are opened until their sum exceeds 360 degrees, each by TORQUE / (2 K), so
# that every angle pulls with the same torque. In the plane the pulls cancel (the three angles
# always sum to 360 degrees there) and the equilibrium angles stay; out of the plane all
# three angles shrink, and that costs energy in proportion to the torque. Olefinic and
# aromatic centres get their out-of-plane stiffness from the torsions about their bonds;
# a carbonyl carbon with hydrogens (formaldehyde) has no torsion at all.
TRIGONAL = ("C3", "CO", "CA", "NP")
TORQUE = {"CO": 50.0, "NP": 5.0, "C3": 0.0, "CA": 0.0}  # kcal/mol/rad
THETA = {
    ("H", "C4", "H"): 107.8, ("C4", "C4", "C4"): 112.0, ("H", "C4", "C4"): 110.5, ("C4", "C4", "O2"): 108.5,
    ("C4", "C4", "N3"): 111.2, ("C4", "C4", "F1"): 110.0, ("H", "C4", "F1"): 109.0, ("F1", "C4", "F1"): 107.5,
    ("H", "C4", "Cl1"): 107.7, ("C4", "C4", "Cl1"): 110.8, ("H", "C4", "S2"): 108.6,
    ("H", "C3", "H"): 117.0, ("H", "C3", "C4"): 116.0, ("C4", "C3", "C4"): 116.5, ("C3", "C3", "C4"): 124.0,
    ("H", "CO", "O1"): 121.8, ("C4", "CO", "O1"): 123.5, ("NP", "CO", "O1"): 123.5, ("O1", "CO", "O2"): 123.0,
    ("H", "CO", "C4"): 115.0, ("C4", "CO", "C4"): 116.5, ("C4", "CO", "NP"): 115.0, ("H", "CO", "NP"): 113.0,
    ("C4", "CO", "O2"): 111.0, ("H", "CO", "O2"): 110.5, ("H", "CO", "H"): 116.0,
    ("HN", "N3", "HN"): 106.4, ("C4", "N3", "HN"): 109.5, ("C4", "N3", "C4"): 112.0,
    ("HN", "NP", "HN"): 118.0, ("CO", "NP", "HN"): 119.0, ("CO", "NP", "C4"): 122.0, ("C4", "NP", "HN"): 118.0,
    ("CA", "NP", "CA"): 109.5, ("CA", "NP", "HN"): 125.0, ("CA", "N2", "CA"): 117.0, ("C3", "N2", "HN"): 110.0,
    ("C4", "O2", "HO"): 108.5, ("CO", "O2", "HO"): 107.0, ("CA", "O2", "HO"): 109.0, ("C3", "O2", "HO"): 109.0,
    ("C4", "O2", "C4"): 112.0, ("CO", "O2", "C4"): 116.0, ("HO", "O2", "HO"): 102.5,
    ("C4", "S2", "H"): 96.4, ("C4", "S2", "C4"): 99.0, ("CA", "S2", "CA"): 92.0,
}
CENTRE = {"C2": 180.0, "C4": 109.5, "C3": 120.0, "CO": 120.0, "CA": 120.0, "N3": 109.0, "NP": 120.0, "N2": 117.0,
          "O2": 110.0, "S2": 96.0}


def bend_constant(a, c, b):
    if c == "C2":  # straight: GAFF's c1 bends
        return 45 if "H" in (a, b) else 58
    if c in ("N3", "NP", "N2", "O2", "S2"):
        return 50
    heavy = sum(t not in ("H", "HO", "HN") for t in (a, b))
    return (35, 50, 63)[heavy] + (10 if c in TRIGONAL and heavy else 0)


def reference_angle(a, c, b):
    theta = THETA.get((a, c, b), THETA.get((b, c, a), CENTRE[c]))
    return theta + (TORQUE[c] / (2 * bend_constant(a, c, b)) / DEG if c in TRIGONAL else 0.0)


# central bond: n, barrier V (kcal/mol, per torsion), phase gamma (deg) of the AMBER form.
# No bond to a straight atom (C2, N1) has one: the dihedral is not defined there.
TORSIONS = {
    ("C4", "C4"): (3, 0.156, 0.0), ("C4", "N3"): (3, 0.15, 0.0), ("C4", "O2"): (3, 0.14, 0.0),
    ("C4", "C3"): (3, 0.15, 0.0), ("C4", "CO"): (3, 0.10, 0.0), ("C4", "CA"): (3, 0.0, 0.0),
    ("C4", "NP"): (3, 0.0, 0.0), ("C4", "N2"): (3, 0.10, 0.0), ("C4", "S2"): (3, 0.10, 0.0),
    ("C3", "C3"): (2, 6.65, 180.0), ("CA", "CA"): (2, 3.625, 180.0), ("C3", "CA"): (2, 0.7, 180.0),
    ("C3", "CO"): (2, 1.0, 180.0), ("CA", "CO"): (2, 1.0, 180.0), ("CO", "CO"): (2, 0.5, 180.0),
    ("CO", "NP"): (2, 2.5, 180.0), ("CA", "NP"): (2, 1.7, 180.0), ("C3", "NP"): (2, 1.5, 180.0),
    ("CO", "O2"): (2, 2.7, 180.0), ("CA", "O2"): (2, 0.9, 180.0), ("C3", "O2"): (2, 1.0, 180.0),
    ("CA", "N2"): (2, 3.625, 180.0), ("C3", "N2"): (2, 6.65, 180.0), ("CA", "S2"): (2, 3.6, 180.0),
    ("C3", "S2"): (2, 1.0, 180.0),
}

# A methyl on a double bond eclipses it (propene, acetaldehyde): the threefold term towards the
# doubly bound partner takes the opposite phase, which agrees with the terms towards the
# other substituents 180 degrees away.
ECLIPSED = {("C4", "C3"): "C3", ("C4", "CO"): "O1"}


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
    for c in TYPES:
        if c not in CENTRE:
            continue
        outer = partners(c)
        for i, a in enumerate(outer):
            for b in outer[i:]:
                th, k = reference_angle(a, c, b), bend_constant(a, c, b)
                print("%-8s %-8s %-8s 0 0 %10.8f %10.8f %10.8f %10.8f %10.8f" % (a, c, b, th * DEG, 2 * k * KCAL, 0, 0, 0))
    print("torsion1")
    for (j, k), (n, v, gamma) in TORSIONS.items():
        for i in partners(j):
            for l in partners(k):
                if j == k and index[i] > index[l]:
                    continue  # the same torsion read backwards
                flip = 180.0 if ECLIPSED.get((j, k)) == l else 0.0
                phi0 = ((gamma + flip) * DEG - math.pi) / n
                print("%-8s %-8s %-8s %-8s %d 0 %10.8f %10.8f %10.8f" % (i, j, k, l, n, phi0, v * KCAL, 0.0))
    print("torsion2")
    print("pair")
    print("$end")


if __name__ == "__main__":
    main()
