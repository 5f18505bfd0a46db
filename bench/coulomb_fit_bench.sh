#!/usr/bin/env bash
# One fitted Coulomb build for n-dodecane (38 atoms, def2-SVP / def2-universal-jfit) next to
# Psi4's DF-J on one thread for the same core-guess density, then the same build on two nodes.
# Usage: bench/coulomb_fit_bench.sh BUILD_DIR [REPEATS] [PSI4_JK_TYPE]
set -eu
build=$(cd "$1" && pwd)
repeats=${2:-3}
jk=${3:-DF}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "load before: $(cat /proc/loadavg)"
PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 "$here/coulomb_fit_bench.py" \
  "$here/dodecane.xyz" density.bin "$repeats" "$jk" | tee psi4.out
# the basis tables of the readers are left out
"$build/bench/bench_coulomb_fit" "$here/dodecane.xyz" density.bin "$repeats" | grep -v -E ':  *[0-9]+/[0-9]+ |^ Basis set input|^$' | tee one.out
mpirun -np 2 --allow-run-as-root --oversubscribe "$build/bench/bench_coulomb_fit" "$here/dodecane.xyz" density.bin \
  "$repeats" | grep -v -E ':  *[0-9]+/[0-9]+ |^ Basis set input|^$' | tee two.out
echo "load after: $(cat /proc/loadavg)"
psi4=$(sed -n 's/.*psi4 median initialize \([0-9.]*\) s compute \([0-9.]*\) s total \([0-9.]*\) s (cpu \([0-9.]*\)).*/\3 \2 \4/p' psi4.out)
one=$(sed -n 's/.*ostrel median.*total \([0-9.]*\) s (cpu \([0-9.]*\)).*/\1 \2/p' one.out)
two=$(sed -n 's/.*ostrel median.*total \([0-9.]*\) s (cpu \([0-9.]*\)).*/\1/p' two.out)
echo "$psi4 $one $two" | awk '{
  printf "wall ratio ostrel J build / psi4 (initialize + compute): %.2f\n", $4 / $1
  printf "cpu ratio  ostrel J build / psi4 (initialize + compute): %.2f\n", $5 / $3
  printf "wall ratio ostrel J build / psi4 compute alone: %.1f\n", $4 / $2
  printf "two-node speed-up: %.2f\n", $4 / $6 }'
