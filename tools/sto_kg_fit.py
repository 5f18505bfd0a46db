#!/usr/bin/env python3
"""Least-squares Gaussian expansions of Slater functions (exponent 1).

For every (n, L) with n = 1..7, L < n and K = 2, 3, 4 Gaussians, the Slater function
r^(n-1) exp(-r) Y_L is fitted by K functions r^L exp(-a r^2) Y_L: the exponents minimise
the squared distance between the normalised Slater function and its best linear
combination of normalised Gaussians; the linear coefficients are the least-squares ones
(c = S^-1 b).  Written coefficients include the primitive normalisation
1 / sqrt(4 pi int r^(2L+2) exp(-2 a r^2) dr), so a row can be used with the bare primitives.

Usage: sto_kg_fit.py [--seed LOG ...] [--k K] [--reverse] OUT.cpp
  (needs mpmath; a full search runs for about an hour). The progress lines printed on
  standard output can be given back as --seed logs: rows found there start from the logged
  exponents and are only polished, so a table can be rebuilt quickly or in pieces.
"""
import sys
import mpmath as mp

mp.mp.dps = 40


def slater_gauss_radial(m, a):
    """int_0^inf r^m exp(-a r^2 - r) dr through the parabolic-cylinder function."""
    s = 2 * a
    return (mp.factorial(m) * s ** (-mp.mpf(m + 1) / 2) * mp.exp(1 / (4 * s))
            * mp.pcfd(-m - 1, 1 / mp.sqrt(s)))


def gauss_radial(L, p):
    """int_0^inf r^(2L+2) exp(-p r^2) dr."""
    return mp.gamma(L + mp.mpf(3) / 2) / (2 * p ** (L + mp.mpf(3) / 2))


def slater_norm2(n):
    return mp.factorial(2 * n) / mp.mpf(2) ** (2 * n + 1)


def fit_error(n, L, logs):
    """1 - b^T S^-1 b for normalised functions, and the coefficients of normalised Gaussians."""
    a = [mp.exp(x) for x in logs]
    k = len(a)
    ns = mp.sqrt(slater_norm2(n))
    ng = [mp.sqrt(gauss_radial(L, 2 * ai)) for ai in a]
    S = mp.matrix(k, k)
    b = mp.matrix(k, 1)
    for i in range(k):
        b[i] = slater_gauss_radial(n + L + 1, a[i]) / (ns * ng[i])
        for j in range(k):
            S[i, j] = gauss_radial(L, a[i] + a[j]) / (ng[i] * ng[j])
    try:
        c = mp.lu_solve(S, b)
    except ZeroDivisionError:
        return mp.mpf(1), None
    err = 1 - sum(b[i] * c[i] for i in range(k))
    return err, c


def nelder_mead(f, x0, step, iters, tol):
    n = len(x0)
    pts = [list(x0)]
    for i in range(n):
        p = list(x0)
        p[i] += step
        pts.append(p)
    vals = [f(p) for p in pts]
    for _ in range(iters):
        order = sorted(range(n + 1), key=lambda i: vals[i])
        pts = [pts[i] for i in order]
        vals = [vals[i] for i in order]
        if abs(vals[-1] - vals[0]) <= tol * (abs(vals[0]) + tol):
            break
        cen = [sum(p[i] for p in pts[:-1]) / n for i in range(n)]
        ref = [cen[i] + (cen[i] - pts[-1][i]) for i in range(n)]
        fr = f(ref)
        if fr < vals[0]:
            exp_ = [cen[i] + 2 * (cen[i] - pts[-1][i]) for i in range(n)]
            fe = f(exp_)
            if fe < fr:
                pts[-1], vals[-1] = exp_, fe
            else:
                pts[-1], vals[-1] = ref, fr
        elif fr < vals[-2]:
            pts[-1], vals[-1] = ref, fr
        else:
            con = [cen[i] + 0.5 * (pts[-1][i] - cen[i]) for i in range(n)]
            fc = f(con)
            if fc < vals[-1]:
                pts[-1], vals[-1] = con, fc
            else:
                for j in range(1, n + 1):
                    pts[j] = [pts[0][i] + 0.5 * (pts[j][i] - pts[0][i]) for i in range(n)]
                    vals[j] = f(pts[j])
    best = min(range(n + 1), key=lambda i: vals[i])
    return pts[best], vals[best]


def newton_polish(f, x, rounds=30):
    """Newton steps on the gradient with central differences at working precision."""
    n = len(x)
    h = mp.mpf(10) ** (-(mp.mp.dps // 3))
    x = [mp.mpf(v) for v in x]
    for _ in range(rounds):
        def grad(y):
            g = []
            for i in range(n):
                yp = list(y); ym = list(y)
                yp[i] += h; ym[i] -= h
                g.append((f(yp) - f(ym)) / (2 * h))
            return g
        g = grad(x)
        H = mp.matrix(n, n)
        for i in range(n):
            yp = list(x); ym = list(x)
            yp[i] += h; ym[i] -= h
            gp, gm = grad(yp), grad(ym)
            for j in range(n):
                H[i, j] = (gp[j] - gm[j]) / (2 * h)
        step = mp.lu_solve(H, mp.matrix(g))
        x = [x[i] - step[i] for i in range(n)]
        if max(abs(s) for s in step) < mp.mpf(10) ** (-(mp.mp.dps // 2 - 2)):
            break
    return x


def fit_row(n, L, k, guesses, polish_only=False):
    def f(xs):
        # Nearly equal exponents make S singular; such points are no fit.
        s = sorted(xs)
        if any(s[i + 1] - s[i] < 0.05 for i in range(len(s) - 1)):
            return mp.mpf(1)
        err = fit_error(n, L, xs)[0]
        return err if err >= 0 else mp.mpf(1)
    best = None
    if polish_only:
        best = (guesses[0], None)
    with mp.workdps(15):
        for g in ([] if polish_only else guesses):
            x, v = nelder_mead(f, g, 0.3, 600, 1e-11)
            if best is None or v < best[1]:
                best = (x, v)
    x = newton_polish(f, best[0], rounds=4 if polish_only else 30)
    err, c = fit_error(n, L, x)
    # Scale the least-squares combination to unit norm.
    c = [ci / mp.sqrt(1 - err) for ci in c]
    a = [mp.exp(v) for v in x]
    pairs = []
    for ai, ci in zip(a, c):
        # bare primitive normalisation: 1/sqrt(4 pi int r^(2L+2) exp(-2 a r^2) dr)
        norm = 1 / mp.sqrt(4 * mp.pi * gauss_radial(L, 2 * ai))
        pairs.append((ai, ci * norm))
    pairs.sort(key=lambda p: -p[0])
    return pairs, err


def starting_points(n, L, k, smaller=None):
    """Geometric exponent ladders around the scale of the Slater function's peak; with the
    (K-1)-term solution `smaller` (log exponents), that solution with one exponent added
    above, below or between its exponents, and only two ladders."""
    pts = []
    if smaller is not None:
        xs = sorted(float(x) for x in smaller)
        pts.append(xs + [xs[-1] + 1.2])
        pts.append([xs[0] - 1.2] + xs)
        for i in range(len(xs) - 1):
            pts.append(xs[:i + 1] + [0.5 * (xs[i] + xs[i + 1])] + xs[i + 1:])
        centre = mp.log(mp.mpf(1) / (n * n)) + (0.5 if L else 0.0)
        for ratio in (1.8, 2.6):
            pts.append([float(centre + ratio * (k - 1) / 2.0 - ratio * i) for i in range(k)])
        return pts
    centre = mp.log(mp.mpf(1) / (n * n)) + (0.5 if L else 0.0)
    for shift in (-2.0, -1.0, 0.0, 1.0):
        for ratio in (1.0, 1.8, 2.6):
            pts.append([float(centre + shift + ratio * (k - 1) / 2.0 - ratio * i)
                        for i in range(k)])
    return pts


def read_seeds(paths):
    seeds = {}
    for path in paths:
        with open(path) as fh:
            for line in fh:
                if not line.startswith("K="):
                    continue
                head, rest = line.split("error")
                k, n, L = (int(w.split("=")[1]) for w in head.split())
                exps = [float(p.split(",")[0]) for p in rest.split("(")[1:]]
                seeds[(k, n, L)] = [mp.log(mp.mpf(a)) for a in exps]
    return seeds


def main():
    import argparse
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--seed", action="append", default=[])
    ap.add_argument("--k", type=int, default=0)
    ap.add_argument("--reverse", action="store_true")
    ap.add_argument("--rows", default="", help="row range FIRST-END (0-based, end excluded)")
    args = ap.parse_args()
    out = args.out
    seeds = read_seeds(args.seed)
    tables = {}
    for k in ((args.k,) if args.k else (2, 3, 4)):
        rows = []
        order = [(n, L) for n in range(1, 8) for L in range(n)]
        if args.rows:
            lo, hi = (int(v) for v in args.rows.split("-"))
            order = order[lo:hi]
        for n, L in (reversed(order) if args.reverse else order):
            if True:
                if (k, n, L) in seeds:
                    pairs, err = fit_row(n, L, k, [seeds[(k, n, L)]], polish_only=True)
                else:
                    pairs, err = fit_row(n, L, k, starting_points(n, L, k, seeds.get((k - 1, n, L))))
                rows.append((n, L, pairs, err))
                print("K=%d n=%d L=%d  error %.3e  %s" % (
                    k, n, L, err, " ".join("(%s, %s)" % (mp.nstr(a, 20), mp.nstr(d, 20))
                                            for a, d in pairs)), flush=True)
        rows.sort(key=lambda r: (r[0], r[1]))
        tables[k] = rows
    if args.k:
        return
    with open(out, "w") as fh:
        fh.write("// Generated by tools/sto_kg_fit.py; do not edit.\n")
        fh.write("#include \"model/elements.hpp\"\n\nnamespace ostrel {\n")
        for k in (2, 3, 4):
            fh.write("\n// K = %d: rows n(n-1)/2 + L; pairs (alpha, d); comment: fit error.\n" % k)
            fh.write("const double sto_kg_%d[28][%d] = {\n" % (k, 2 * k))
            for n, L, pairs, err in tables[k]:
                vals = ", ".join("%s, %s" % (mp.nstr(a, 17, min_fixed=-30, max_fixed=30),
                                             mp.nstr(d, 17, min_fixed=-30, max_fixed=30))
                                 for a, d in pairs)
                fh.write("    {%s},  // n=%d L=%d  %.3e\n" % (vals, n, L, float(err)))
            fh.write("};\n")
        fh.write("\n}  // namespace ostrel\n")


if __name__ == "__main__":
    main()
