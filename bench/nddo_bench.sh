#!/bin/sh
# NDDO single point plus gradient and full optimisation for glycine (10 atoms), dodecane
# (38) and C50H102 (152), Ostrel beside MOPAC (same method and geometry, one thread) in the
# same run. Prints CPU seconds of each program (Ostrel's run report, MOPAC's user time).
# Usage: bench/nddo_bench.sh BUILD_DIR [mndo|am1|pm3] [molecule ...]
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
model=${2:-mndo}
shift 2 2>/dev/null || shift $#
mols=${*:-"glycine dodecane alkane50"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for mol in $mols; do
  for task in gradient optimize; do
    python3 - "$here/$mol.xyz" "$task" "$model" > "$mol.$task.inp" 3> "$mol.$task.mop" <<'PY'
import os, sys
z = {'H': 1, 'C': 6, 'N': 7, 'O': 8, 'F': 9, 'P': 15, 'S': 16, 'Cl': 17}
lines = open(sys.argv[1]).read().split("\n")
n, task, model = int(lines[0]), sys.argv[2], sys.argv[3]
atoms = [l.split() for l in lines[2:2 + n]]
print("$control task=%s theory=nddo basis=%s $end\n$molecule\n cartesian" % (task, model))
for s, x, y, w in atoms:
    print(" %d %s %s %s" % (z[s], x, y, w))
print("$end")
mop = os.fdopen(3, "w")
mop.write("%s NOMM THREADS=1 %s\nbench\n\n" % (model.upper(), "1SCF GRAD" if task == "gradient" else ""))
for s, x, y, w in atoms:
    mop.write("%s %s 1 %s 1 %s 1\n" % (s, x, y, w))
PY
    "$build/ostrel" "$mol.$task.inp" > "$mol.$task.log"
    ours=$(sed -n 's/^ CPU  time = *\([0-9.]*\) sec.*/\1/p' "$mol.$task.log")
    heat=$(sed -n 's/.*heat of formation= *\([-0-9.]*\).*/\1/p' "$mol.$task.log" | tail -1)
    theirs=-
    mheat=-
    if command -v mopac > /dev/null; then
      /usr/bin/time -f "%U" -o "$mol.$task.time" mopac "$mol.$task.mop" > /dev/null 2>&1
      theirs=$(tail -1 "$mol.$task.time")
      mheat=$(sed -n 's/.*FINAL HEAT OF FORMATION = *\([-0-9.]*\).*/\1/p' "$mol.$task.out" | tail -1)
    fi
    printf "%-10s %-9s ostrel %7s s  heat %12s | mopac %7s s  heat %12s\n" "$mol" "$task" "$ours" "$heat" "$theirs" "${mheat:--}"
  done
done
