#!/bin/sh
# External energy program for the theory "script" (examples/morse_script.inp): a Morse
# potential V(r) = De (1 - exp(-a (r - re)))^2 between every pair of atoms, with the
# parameters of H2 (hartree and bohr). Reads the structure on standard input (level, charge
# and multiplicity, atom count, then "Z x y z" in bohr) and writes the energy, the 3N gradient
# components and, when level 2 is asked for, the packed lower triangle of the Hessian.
exec awk -v De=0.1745 -v a=1.0282 -v re=1.4011 '
function add(i, j, v) { if (j <= i) h[i, j] += v }
NR == 1 { level = $1 }
NR == 3 { n = $1 }
NR > 3 && NR <= 3 + n { k = NR - 4; x[3 * k] = $2; x[3 * k + 1] = $3; x[3 * k + 2] = $4 }
END {
  m = 3 * n; e = 0
  for (i = 0; i < m; i++) { g[i] = 0; for (j = 0; j <= i; j++) h[i, j] = 0 }
  for (p = 0; p < n; p++) for (q = 0; q < p; q++) {
    r2 = 0
    for (c = 0; c < 3; c++) { d[c] = x[3 * p + c] - x[3 * q + c]; r2 += d[c] * d[c] }
    r = sqrt(r2); ex = exp(-a * (r - re))
    e += De * (1 - ex) * (1 - ex)
    f1 = 2 * De * a * ex * (1 - ex)          # dV/dr
    f2 = 2 * De * a * a * ex * (2 * ex - 1)  # d2V/dr2
    for (c = 0; c < 3; c++) { u[c] = d[c] / r; g[3 * p + c] += f1 * u[c]; g[3 * q + c] -= f1 * u[c] }
    for (c = 0; c < 3; c++) for (b = 0; b < 3; b++) {
      v = f2 * u[c] * u[b] + f1 / r * ((c == b) - u[c] * u[b])
      add(3 * p + c, 3 * p + b, v); add(3 * q + c, 3 * q + b, v)
      add(3 * p + c, 3 * q + b, -v); add(3 * q + c, 3 * p + b, -v)
    }
  }
  printf "%.15e\n", e
  for (i = 0; i < m; i++) printf "%.15e\n", g[i]
  if (level >= 2) for (i = 0; i < m; i++) for (j = 0; j <= i; j++) printf "%.15e\n", h[i, j]
}'
