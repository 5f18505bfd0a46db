#!/usr/bin/env bash
# The fitted- and orbital-density XC passes (PBE, def2-SVP, default final grid) for n-decane
# (32 atoms) next to Psi4's V build on one thread for the same core-guess density, then on two
# nodes. Psi4's unpruned grid is chosen near our point count; the ratio is per grid point in
# process cpu time (the machine is shared).
# Usage: bench/xc_pass_bench.sh BUILD_DIR [REPEATS] [RADIAL SPHERICAL]
set -eu
build=$(cd "$1" && pwd)
repeats=${2:-3}
radial=${3:-50}
spherical=${4:-302}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "load before: $(cat /proc/loadavg)"
PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 "$here/xc_pass_bench.py" \
  "$here/decane.xyz" density.bin "$radial" "$spherical" "$repeats" | tee psi4.out
"$build/bench/bench_xc_pass" "$here/decane.xyz" density.bin "$repeats" | grep -E '^ *(pass|ostrel|grid|[0-9]+ functions| Grid)' | tee one.out
mpirun -np 2 --allow-run-as-root --oversubscribe "$build/bench/bench_xc_pass" "$here/decane.xyz" density.bin \
  "$repeats" | grep -E '^ *(pass|ostrel)' | tee two.out
echo "load after: $(cat /proc/loadavg)"
psi4=$(sed -n 's/.*psi4 median compute_V .*(cpu .*, \([0-9.]*\) us\/point).*/\1/p' psi4.out)
one=$(sed -n 's/.*ostrel grid.*fitted .*(cpu [0-9.]*, \([0-9.]*\) us\/point), orbital .*, \([0-9.]*\) us\/point).*/\1 \2/p' one.out)
two=$(sed -n 's/.*ostrel grid.*orbital .*, \([0-9.]*\) us\/point).*/\1/p' two.out)
echo "$psi4 $one $two" | awk '{
  printf "per point: psi4 V %.3f us, ostrel orbital pass %.3f us, fitted pass %.3f us\n", $1, $3, $2
  printf "ratio ostrel orbital pass / psi4 V per point: %.2f\n", $3 / $1
  printf "orbital pass cpu per point on each of two nodes: %.3f us (one node %.3f us)\n", $4, $3 }'
