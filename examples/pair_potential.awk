# Shared body of the external energy programs of the examples: a sum over atom pairs of
# V(r), with kind=morse De (1 - exp(-a (r - re)))^2 (morse_diatomic.sh) or kind=well
# D ((r - c)^2 - w^2)^2 (double_well.sh), parameters given with -v. Reads the structure on standard
# input (level, charge and multiplicity, atom count, then "Z x y z" in bohr) and writes the
# energy, the 3N gradient components and, when level 2 is asked for, the packed lower
# triangle of the Hessian.
function add(i, j, v) { if (j <= i) h[i, j] += v }
# V(r) and its first two derivatives into V, V1, V2.
function pair(r,  ex, t, s) {
  if (kind == "well") {
    t = r - c; s = t * t - w * w
    V = D * s * s; V1 = 4 * D * s * t; V2 = 4 * D * (3 * t * t - w * w)
    return
  }
  ex = exp(-a * (r - re))
  V = De * (1 - ex) * (1 - ex); V1 = 2 * De * a * ex * (1 - ex); V2 = 2 * De * a * a * ex * (2 * ex - 1)
}
NR == 1 { level = $1 }
NR == 3 { n = $1 }
NR > 3 && NR <= 3 + n { k = NR - 4; x[3 * k] = $2; x[3 * k + 1] = $3; x[3 * k + 2] = $4 }
END {
  m = 3 * n; e = 0
  for (i = 0; i < m; i++) { g[i] = 0; for (j = 0; j <= i; j++) h[i, j] = 0 }
  for (p = 0; p < n; p++) for (q = 0; q < p; q++) {
    r2 = 0
    for (cc = 0; cc < 3; cc++) { d[cc] = x[3 * p + cc] - x[3 * q + cc]; r2 += d[cc] * d[cc] }
    r = sqrt(r2)
    pair(r)
    e += V
    for (cc = 0; cc < 3; cc++) { u[cc] = d[cc] / r; g[3 * p + cc] += V1 * u[cc]; g[3 * q + cc] -= V1 * u[cc] }
    for (cc = 0; cc < 3; cc++) for (b = 0; b < 3; b++) {
      v = V2 * u[cc] * u[b] + V1 / r * ((cc == b) - u[cc] * u[b])
      add(3 * p + cc, 3 * p + b, v); add(3 * q + cc, 3 * q + b, v)
      add(3 * p + cc, 3 * q + b, -v); add(3 * q + cc, 3 * p + b, -v)
    }
  }
  printf "%.15e\n", e
  for (i = 0; i < m; i++) printf "%.15e\n", g[i]
  if (level >= 2) for (i = 0; i < m; i++) for (j = 0; j <= i; j++) printf "%.15e\n", h[i, j]
}
