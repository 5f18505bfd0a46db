#!/bin/sh
# The optimizer's own processor time per step (bench_optimizer_step, pair surface in place
# of the energy) beside the processor time of one PBE/def2-SVP gradient (Coulomb fitted,
# default grid) of the same molecule. Processor rather than wall time: the machine may be
# shared. Usage: bench/optimizer_step_bench.sh BUILD_DIR [FILE.xyz] (default n-dodecane)
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
xyz=$(cd "$(dirname "${2:-$here/dodecane.xyz}")" && pwd)/$(basename "${2:-dodecane.xyz}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_optimizer_step" "$xyz" 5 | tee "$work/step.txt"
/usr/bin/python3 - "$xyz" > "$work/grad.inp" <<'PY'
import sys
z = {'H': 1, 'C': 6, 'N': 7, 'O': 8, 'F': 9}
lines = open(sys.argv[1]).read().split("\n")
n = int(lines[0])
print("$control task=gradient theory=dft basis=def2-svp fit=J $end")
print("$molecule\n cartesian")
for l in lines[2:2 + n]:
    s, x, y, w = l.split()
    print(" %d %s %s %s" % (z[s], x, y, w))
print("$end\n$dft functional=pbe $end\n$scf fitxc=0 $end")
PY
(cd "$work" && /usr/bin/time -f "%U %S" -o cpu.txt "$build/ostrel" grad.inp > grad.out)
grad=$(awk '{print $1 + $2}' "$work/cpu.txt")
step=$(sed -n 's/.*whole step, mean of [0-9]* *\([0-9.]*\) s/\1/p' "$work/step.txt")
echo "one DFT gradient: $grad s; optimizer step: $step s = $(echo "scale=3; 100 * $step / $grad" | bc) %"
