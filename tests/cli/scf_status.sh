#!/usr/bin/env bash
# An SCF that stops unconverged: an energy run prints its results, says so in one line and
# ends with status 2; a gradient run stops before the gradient with status 1.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work

sed 's/\$scf restrict=0 fitxc=0 \$end/$scf restrict=0 fitxc=0 iterations=2 $end/' examples/oh_radical.inp \
  > "$work/energy.inp"
"$ostrel" "$work/energy.inp" > "$work/energy.out"; rc=$?
[ $rc -eq 2 ] || fail "unconverged energy exit $rc"
[ "$(grep -c '^ SCF not converged after 2 iterations: gradient ' "$work/energy.out")" -eq 1 ] ||
  fail "no single unconverged line"
grep -q '^eng> E=' "$work/energy.out" || fail "unconverged energy not printed"
grep -qxF 'eng>$end' "$work/energy.out" || fail "eng> group not closed"

sed 's/task=energy/task=gradient/' "$work/energy.inp" > "$work/gradient.inp"
"$ostrel" "$work/gradient.inp" > "$work/gradient.out"; rc=$?
[ $rc -eq 1 ] || fail "unconverged gradient exit $rc"
grep -qxF " SCF is far from convergence" "$work/gradient.out" || fail "no gradient stop line"
grep -q '^eng> G=' "$work/gradient.out" && fail "gradient printed from an unconverged SCF"

# On two nodes every node stops with the master.
if [ -n "$mpiexec" ]; then
  timeout 300 "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" "$work/gradient.inp" \
    > "$work/gradient2.out" 2>/dev/null && fail "two-node unconverged gradient exit 0"
  expect_line "$work/gradient2.out" " SCF is far from convergence"
fi

finish
