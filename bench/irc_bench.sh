#!/bin/sh
# The HCN <-> HNC reaction path both ways from the transition state (examples/hcn_irc.inp,
# hypersphere radius 0.1 amu^1/2 bohr, its Hessian computed by the run): Ostrel's gradients
# (the Hessian's included), wall and CPU time per direction; with Psi4 installed, optking's
# IRC at the same step (irc_step_size 0.2) from the same transition state, same model
# (tools/paths_psi4_reference.py irc), run at the same time as Ostrel's (one core each), so
# that both see the same machine. One thread each.
# Usage: bench/irc_bench.sh BUILD_DIR
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1
psi4=no
PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 -c "import psi4" 2>/dev/null && psi4=yes
for back in 0 1; do
  direction=$([ $back = 0 ] && echo forward || echo backward)
  sed "s/tolerance=1e-4 \$end/tolerance=1e-4 back=$back \$end/" "$here/../examples/hcn_irc.inp" > "$work/irc$back.inp"
  /usr/bin/time -f "%e %U" -o "$work/time$back" "$build/ostrel" "$work/irc$back.inp" > "$work/irc$back.out" &
  if [ $psi4 = yes ]; then
    (cd "$work" && PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 "$here/../tools/paths_psi4_reference.py" irc \
      $direction > "$work/psi4$back.out" 2>&1) &
  fi
  wait
  grads=$(grep -c '^eng> G=' "$work/irc$back.out")
  diffs=$(sed -n 's/.*second derivatives by central differences of analytic gradients (\([0-9]*\) gradients.*/\1/p' "$work/irc$back.out")
  points=$(grep -c '^IRC> path point' "$work/irc$back.out")
  last=$(sed -n '/REACTION PATH:/,$p' "$work/irc$back.out" | sed -n 's/^IRC> path point.*Energy = *//p' | sed -n "$([ $back = 0 ] && echo '$p' || echo 1p)")
  read -r wall cpu < "$work/time$back"
  echo "ostrel $direction: $((grads + ${diffs:-0})) gradients ($((grads)) driver results, ${diffs:-0} for the Hessian), $((points / 2)) points, last energy $last, wall ${wall}s, cpu ${cpu}s"
  if [ $psi4 = yes ]; then grep "^irc $direction gradients" "$work/psi4$back.out"; fi
done
