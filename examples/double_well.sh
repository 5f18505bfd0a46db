#!/bin/sh
# External energy program for the theory "script" (examples/double_well_irc.inp): a
# symmetric double well in the distance of every atom pair, V(r) = D ((r - c)^2 - w^2)^2,
# with a barrier D w^4 at r = c between minima at c - w and c + w (hartree and bohr). Reads
# the structure on standard input and writes the energy, the gradient and, at level 2, the
# packed Hessian, as examples/morse_diatomic.sh does.
exec awk -v D=0.5 -v c=2.0 -v w=0.4 '
function add(i, j, v) { if (j <= i) h[i, j] += v }
NR == 1 { level = $1 }
NR == 3 { n = $1 }
NR > 3 && NR <= 3 + n { k = NR - 4; x[3 * k] = $2; x[3 * k + 1] = $3; x[3 * k + 2] = $4 }
END {
  m = 3 * n; e = 0
  for (i = 0; i < m; i++) { g[i] = 0; for (j = 0; j <= i; j++) h[i, j] = 0 }
  for (p = 0; p < n; p++) for (q = 0; q < p; q++) {
    r2 = 0
    for (k = 0; k < 3; k++) { d[k] = x[3 * p + k] - x[3 * q + k]; r2 += d[k] * d[k] }
    r = sqrt(r2); t = r - c; u2 = t * t - w * w
    e += D * u2 * u2
    f1 = 4 * D * u2 * t                # dV/dr
    f2 = 4 * D * (3 * t * t - w * w)   # d2V/dr2
    for (k = 0; k < 3; k++) { u[k] = d[k] / r; g[3 * p + k] += f1 * u[k]; g[3 * q + k] -= f1 * u[k] }
    for (k = 0; k < 3; k++) for (b = 0; b < 3; b++) {
      v = f2 * u[k] * u[b] + f1 / r * ((k == b) - u[k] * u[b])
      add(3 * p + k, 3 * p + b, v); add(3 * q + k, 3 * q + b, v)
      add(3 * p + k, 3 * q + b, -v); add(3 * q + k, 3 * p + b, -v)
    }
  }
  printf "%.15e\n", e
  for (i = 0; i < m; i++) printf "%.15e\n", g[i]
  if (level >= 2) for (i = 0; i < m; i++) for (j = 0; j <= i; j++) printf "%.15e\n", h[i, j]
}'
