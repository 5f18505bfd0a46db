#!/usr/bin/env bash
# Theory MM end to end on a plain Cartesian molecule (examples/ethanol_mm_optimize.inp):
# typing, optimisation, analytic against differenced Hessian, dynamics whose structures
# read back, and two nodes giving the same numbers.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work
inp=examples/ethanol_mm_optimize.inp

run_ok $inp "$work/opt.out" "MM optimisation"
expect_text "$work/opt.out" "atom types from elements and bonds:"
expect_line "$work/opt.out" "    9 H   HO       1 bonds"
grep -q "OPTIMIZATION CONVERGED" "$work/opt.out" || fail "no convergence"

# Frequencies of the converged structure: analytic second derivatives against differences
# of analytic gradients.
last=$(grep -n '^MOL>\$molecule' "$work/opt.out" | tail -1 | cut -d: -f1)
sed -n "$last,\$p" "$work/opt.out" | sed -n '/^MOL>/s/^MOL>//p' | sed '/^\$end/q' > "$work/min.mol"
grep -q "type=HO" "$work/min.mol" || fail "the final structure lost its types"
for mode in analytic numeric; do
  { echo "\$control task=hessian theory=mm basis=organic.mm derivative=$mode \$end"; cat "$work/min.mol"; } \
    > "$work/h_$mode.inp"
  run_ok "$work/h_$mode.inp" "$work/h_$mode.out" "MM hessian $mode"
done
freqs() { sed -n 's/^ *mode *[0-9]*, freq= *\([0-9.]*\) *$/\1/p' "$1" | tail -5 | tr '\n' ' '; }
read -r -a fa <<< "$(freqs "$work/h_analytic.out")"
read -r -a fn <<< "$(freqs "$work/h_numeric.out")"
[ ${#fa[@]} -eq 5 ] && [ ${#fn[@]} -eq 5 ] || fail "frequencies missing"
for k in 0 1 2 3 4; do
  close_to "${fa[$k]:-0}" "${fn[$k]:-1}" 0.5 || fail "frequency ${fa[$k]:-?} analytic, ${fn[$k]:-?} numeric"
done
grep -q "ANALYTICAL COMPUTATION" "$work/h_analytic.out" || fail "analytic Hessian not used"

# Dynamics: the total energy holds the default 0.003 hartree per atom above the lowest
# potential energy, and every printed structure reads back as a molecule.
sed 's/task=optimize/task=dynamic/' $inp > "$work/md.inp"
run_ok "$work/md.inp" "$work/md.out" "MM dynamics"
[ "$(grep -c '^mol>\$molecule' "$work/md.out")" = 5 ] || fail "expected 5 structures (41 steps, every 10)"
# (nine atoms: 0.027 above the lowest U so far, the current step's included)
awk '/^t=/ { n++; if (n == 1 || $6 < low) low = $6; if ($4 - low - 0.027 > 2e-10 || low + 0.027 - $4 > 2e-10) exit 1 }
     END { exit n < 40 }' FS='[ =]+' "$work/md.out" || fail "total energy not held"
last=$(grep -n '^mol>\$molecule' "$work/md.out" | tail -1 | cut -d: -f1)
{ echo '$control task=energy theory=mm basis=organic.mm $end'
  sed -n "$last,\$p" "$work/md.out" | sed -n '/^mol>/s/^mol>//p' | sed '/^\$end/q'; } > "$work/back.inp"
run_ok "$work/back.inp" "$work/back.out" "trajectory structure read back"
grep -q "atom types from elements" "$work/back.out" && fail "the structure read back lost its types"

if [ -n "$mpiexec" ]; then
  timeout 300 "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" $inp > "$work/opt.2" \
    || fail "two nodes: optimisation exit $?"
  timeout 300 "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" "$work/md.inp" > "$work/md.2" \
    || fail "two nodes: dynamics exit $?"
  diff <(grep -E '^(eng>|MOL>)' "$work/opt.out") <(grep -E '^(eng>|MOL>)' "$work/opt.2") > /dev/null \
    || fail "two nodes: different optimisation"
  diff <(grep -E '^(t=|mol>)' "$work/md.out") <(grep -E '^(t=|mol>)' "$work/md.2") > /dev/null \
    || fail "two nodes: different trajectory"
fi
finish "force field: optimisation, Hessians, dynamics and read-back agree"
