#!/bin/sh
# Initial guess alone (task GUESS: atomic calculations, minimal-basis guess) for benzene,
# glycine and n-decane in def2-SVP and def2-TZVP; prints the timer lines of each run.
# Usage: bench/guess_bench.sh BUILD_DIR [molecule ...]
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift 2>/dev/null || true
mols=${*:-"benzene glycine decane"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for mol in $mols; do
  for basis in def2-svp def2-tzvp; do
    python3 - "$here/$mol.xyz" "$basis" > "$work/$mol.inp" <<'PY'
import sys
z = {'H': 1, 'C': 6, 'N': 7, 'O': 8, 'F': 9, 'S': 16, 'Cl': 17}
lines = open(sys.argv[1]).read().split("\n")
n = int(lines[0])
print("$control task=guess theory=dft basis=%s $end" % sys.argv[2])
print("$molecule\n cartesian")
for l in lines[2:2 + n]:
    s, x, y, w = l.split()
    print(" %d %s %s %s" % (z[s], x, y, w))
print("$end\n$dft functional=pbe $end")
PY
    t0=$(date +%s.%N)
    (cd "$work" && "$build/ostrel" "$mol.inp" "$mol.out")
    t1=$(date +%s.%N)
    printf '%-8s %-10s wall %6.2f s\n' "$mol" "$basis" "$(echo "$t1 - $t0" | bc)"
    grep -E "time: (Initial Guess|atomic calculations|Orthogonalization)" "$work/$mol.out" | sort -u
  done
done
