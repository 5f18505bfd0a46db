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
/usr/bin/python3 "$here/xyz_input.py" "$xyz" gradient > "$work/grad.inp"
(cd "$work" && /usr/bin/time -f "%U %S" -o cpu.txt "$build/ostrel" grad.inp > grad.out)
grad=$(awk '{print $1 + $2}' "$work/cpu.txt")
step=$(sed -n 's/.*whole step, mean of [0-9]* *\([0-9.]*\) s/\1/p' "$work/step.txt")
echo "one DFT gradient: $grad s; optimizer step: $step s = $(echo "scale=3; 100 * $step / $grad" | bc) %"
