#!/bin/sh
# S, T, V for n-decane (32 atoms) in def2-SVP and def2-TZVP: Ostrel's driver and, when Psi4 is
# installed, its MintsHelper with one thread, medians of 3 in the same run.
# Usage: bench/one_electron_bench.sh BUILD_DIR   (configured with -DOSTREL_BENCH=ON)
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
for family in def2-svp def2-tzvp; do
  "$build/bench/bench_one_electron" "$here/decane.xyz" "$here/../data/basis/$family" 3 | tail -n 1
  if [ -x /usr/bin/psi4 ] || [ -d /usr/lib/x86_64-linux-gnu/psi4 ]; then
    PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 - "$here/decane.xyz" "$family" <<'PY'
import sys, time, psi4
psi4.core.be_quiet()
psi4.set_num_threads(1)
lines = open(sys.argv[1]).read().split("\n")
n = int(lines[0])
mol = psi4.geometry("units angstrom\nsymmetry c1\nno_reorient\nno_com\n" + "\n".join(lines[2:2 + n]))
bs = psi4.core.BasisSet.build(mol, "ORBITAL", sys.argv[2], puream=True)
mints = psi4.core.MintsHelper(bs)
times = []
for _ in range(3):
    t = time.perf_counter()
    mints.ao_overlap(); mints.ao_kinetic(); mints.ao_potential()
    times.append(time.perf_counter() - t)
print("psi4   %d atoms, %d functions: S,T,V median of 3: %.4f s" % (n, bs.nbf(), sorted(times)[1]))
PY
  fi
done
