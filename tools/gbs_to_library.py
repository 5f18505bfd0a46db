#!/usr/bin/env python3
"""Converts Gaussian-94 style basis files (.gbs, as shipped with Psi4) into Ostrel's
basis library format.

Library layout written (one file per family):

    $basis
     default = NAME
     set = NAME
     Z nshell
     L K [ s = scale ]
     exponent coefficient          (K lines)
     ...
    $end
    $basis2 ... $end               (auxiliary sets, same layout)
    $ecp
     Z Ncore Lmax
     nterms                        (local channel L = Lmax)
     c n a                         (term c r^n exp(-a r^2))
     nterms                        (channel L = 0), terms, ... up to L = Lmax-1
    $end

A core potential written in the form "local channel plus differences" (the .gbs form) is
turned back into plain semilocal channels when one of its difference channels would need
more than 8 terms: the local terms are added to every channel (the duplicated ones cancel)
and the local channel becomes empty at Lmax+1.

Usage:
    gbs_to_library.py OUT [--type general] [--default NAME]
        --basis NAME FILE.gbs [--basis NAME FILE.gbs ...]
        [--basis2 NAME[|ALIAS...] FILE.gbs ...] [--ecp FILE.gbs]
        [--elements 1-36,53]
"""
import argparse
import sys

SYMBOLS = (
    "H He Li Be B C N O F Ne Na Mg Al Si P S Cl Ar K Ca Sc Ti V Cr Mn Fe Co Ni Cu Zn "
    "Ga Ge As Se Br Kr Rb Sr Y Zr Nb Mo Tc Ru Rh Pd Ag Cd In Sn Sb Te I Xe Cs Ba La Ce "
    "Pr Nd Pm Sm Eu Gd Tb Dy Ho Er Tm Yb Lu Hf Ta W Re Os Ir Pt Au Hg Tl Pb Bi Po At Rn"
).split()
Z_OF = {s.upper(): i + 1 for i, s in enumerate(SYMBOLS)}
SHELL_L = {"S": 0, "P": 1, "D": 2, "F": 3, "G": 4, "H": 5, "I": 6}
MAX_TERMS = 8
MAX_SHELLS = 512
MAX_PRIMITIVES = 64
SEMILOCAL_FORM = []  # elements whose core potential had to be written in semilocal form


def number_text(text):
    """Fortran exponent letters to C; checks that the text is a number."""
    t = text.replace("D", "E").replace("d", "e")
    float(t)
    return t


def clean_lines(path):
    with open(path) as fh:
        for raw in fh:
            line = raw.split("!")[0].strip()
            if line:
                yield line


def read_gbs(path):
    """Returns (basis, ecp): basis[Z] = list of (L, scale, [(exp, coef)]);
    ecp[Z] = (ncore, lmax, {channel_name: [(n, exp, coef)]}) with the .gbs power n."""
    lines = list(clean_lines(path))
    basis, ecp = {}, {}
    i = 0
    n = len(lines)
    while i < n:
        words = lines[i].split()
        if words[0].lower() in ("spherical", "cartesian") or words[0] == "****":
            i += 1
            continue
        head = words[0].upper()
        if i > 0 and lines[i - 1] == "****" and not (head in Z_OF and len(words) == 2):
            # A free-text title between two element blocks (some merged files carry one).
            print("%s: skipped title line '%s'" % (path, lines[i][:60]), file=sys.stderr)
            i += 1
            continue
        if head in Z_OF and len(words) == 2 and words[1] == "0":
            z = Z_OF[head]
            i += 1
            if i < n and lines[i].split()[0].upper().endswith("-ECP"):
                i = read_ecp(lines, i, z, ecp)
                continue
            shells = []
            while i < n and lines[i] != "****":
                w = lines[i].split()
                kind = w[0].upper()
                k = int(w[1])
                scale = w[2] if len(w) > 2 else "1.00"
                prims = []
                for j in range(k):
                    p = lines[i + 1 + j].split()
                    prims.append([number_text(x) for x in p])
                i += 1 + k
                if kind == "SP":
                    shells.append((0, scale, [(p[0], p[1]) for p in prims]))
                    shells.append((1, scale, [(p[0], p[2]) for p in prims]))
                elif kind in SHELL_L:
                    shells.append((SHELL_L[kind], scale, [(p[0], p[1]) for p in prims]))
                else:
                    sys.exit("%s: unknown shell '%s'" % (path, kind))
            if z in basis:
                if basis[z] != shells:
                    sys.exit("%s: element %d twice, with different shells" % (path, z))
                print("%s: element %d repeated identically, kept once" % (path, z), file=sys.stderr)
            basis[z] = shells
            continue
        sys.exit("%s: cannot read line '%s'" % (path, lines[i]))
    return basis, ecp


def read_ecp(lines, i, z, ecp):
    w = lines[i].split()
    lmax, ncore = int(w[1]), int(w[2])
    i += 1
    channels = {}
    order = []
    while i < len(lines) and lines[i].lower().endswith("potential"):
        name = lines[i].split()[0].lower()
        count = int(lines[i + 1])
        terms = []
        for j in range(count):
            p = lines[i + 2 + j].split()
            terms.append((int(p[0]), number_text(p[1]), number_text(p[2])))
        channels[name] = terms
        order.append(name)
        i += 2 + count
    ecp[z] = (ncore, lmax, channels, order)
    return i


def ecp_channels(z, entry):
    """Ostrel channels: (Lmax, local terms, [terms of L = 0 .. Lmax-1]) with terms (c, n, a)
    in Ostrel's power convention (r^n)."""
    ncore, lmax, channels, order = entry
    letters = "spdfghi"
    # The .gbs blocks come local channel first ("f-ul" or "f"), then s, p, ... ("s-ul" or
    # "s-f"): each name must start with the letter of its channel.
    if len(order) != lmax + 1:
        sys.exit("core potential of element %d: %d channels for Lmax %d" % (z, len(order), lmax))
    for pos, name in enumerate(order):
        want = letters[lmax] if pos == 0 else letters[pos - 1]
        if not name.startswith(want):
            sys.exit("core potential of element %d: channel '%s' where %s was expected" % (z, name, want))
    local = channels[order[0]]
    semi = [channels[name] for name in order[1:]]
    # Gaussian-94 powers count r^(n-2) (the r^2 of the volume element folded in); this
    # library stores the plain power of c r^n exp(-a r^2).
    conv = lambda terms: [(c, p - 2, a) for p, a, c in terms]
    if all(len(t) <= MAX_TERMS for t in semi) and len(local) <= MAX_TERMS:
        return lmax, conv(local), [conv(t) for t in semi]
    SEMILOCAL_FORM.append(z)
    # Undo the differences: V_l = (V_l - V_local) + V_local, merging equal (n, a) terms.
    full = []
    for terms in semi + [local]:
        merged = {}
        keys = []
        for p, a, c in terms + (local if terms is not local else []):
            key = (p, float(a))
            if key not in merged:
                merged[key] = [p, a, 0.0, c]
                keys.append(key)
            else:
                merged[key][2] = 1.0
                merged[key][3] = repr(float(merged[key][3]) + float(c))
        out = []
        for key in keys:
            p, a, twice, c = merged[key]
            if twice and abs(float(c)) < 1e-12:
                continue
            out.append((p, a, c))
        full.append(out)
    if any(len(t) > MAX_TERMS for t in full) or lmax + 1 > 4:
        sys.exit("core potential of element %d does not fit %d terms per channel" % (z, MAX_TERMS))
    return lmax + 1, [], [conv(t) for t in full]


def parse_elements(text):
    out = set()
    for part in text.split(","):
        if "-" in part:
            a, b = part.split("-")
            out.update(range(int(a), int(b) + 1))
        else:
            out.add(int(part))
    return out


def write_sets(fh, group, sets, default, typ, elements, tool_args):
    fh.write("$%s\n" % group)
    if typ:
        fh.write(" type = %s\n" % typ)
    if default:
        fh.write(" default = %s\n" % default)
    for name, path in sets:
        basis, _ = read_gbs(path)
        fh.write(" set = %s\n" % name)
        for z in sorted(basis):
            if z not in elements:
                continue
            shells = basis[z]
            if len(shells) > MAX_SHELLS:
                sys.exit("%s: element %d has too many shells" % (path, z))
            fh.write("%d %d\n" % (z, len(shells)))
            for L, scale, prims in shells:
                if len(prims) > MAX_PRIMITIVES:
                    sys.exit("%s: shell with too many primitives" % path)
                if abs(float(scale) - 1.0) > 1e-12:
                    fh.write("%d %d s = %s\n" % (L, len(prims), scale))
                else:
                    fh.write("%d %d\n" % (L, len(prims)))
                for e, c in prims:
                    fh.write("  %s  %s\n" % (e, c))
    fh.write("$end\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--type", default="")
    ap.add_argument("--default", default="")
    ap.add_argument("--default2", default="")
    ap.add_argument("--basis", nargs=2, action="append", default=[])
    ap.add_argument("--basis2", nargs=2, action="append", default=[])
    ap.add_argument("--ecp", default="")
    ap.add_argument("--elements", default="1-36,53")
    args = ap.parse_args()
    elements = parse_elements(args.elements)
    with open(args.out, "w") as fh:
        fh.write("Basis library written by tools/gbs_to_library.py from Psi4's .gbs files\n")
        fh.write("(%s). Text outside groups is ignored.\n\n" % ", ".join(
            sorted({p.split("/")[-1] for _, p in args.basis + args.basis2}
                   | ({args.ecp.split("/")[-1]} if args.ecp else set()))))
        write_sets(fh, "basis", args.basis, args.default, args.type, elements, args)
        if args.basis2:
            fh.write("\n")
            write_sets(fh, "basis2", args.basis2, args.default2, "", elements, args)
        if args.ecp:
            _, ecp = read_gbs(args.ecp)
            blocks = []
            for z in sorted(ecp):
                if z not in elements:
                    continue
                blocks.append((z, ecp[z][0]) + ecp_channels(z, ecp[z]))
            if SEMILOCAL_FORM:
                names = " ".join(SYMBOLS[z - 1] for z in SEMILOCAL_FORM)
                fh.write("\nCore potentials written in semilocal form (local channel empty at Lmax+1,\n"
                         "because a difference channel needs more than %d terms): %s.\n" % (MAX_TERMS, names))
                print("%s: semilocal form for %s" % (args.out, names), file=sys.stderr)
            fh.write("\n$ecp\n")
            for z, ncore, lmax, local, semi in blocks:
                fh.write("%d %d %d\n" % (z, ncore, lmax))
                for terms in [local] + semi:
                    fh.write("%d\n" % len(terms))
                    for c, p, a in terms:
                        fh.write("  %s %d %s\n" % (c, p, a))
            fh.write("$end\n")


if __name__ == "__main__":
    main()
