#!/usr/bin/env bash
# Black-box runs of task selection: the README's set-up example and the multiply benchmark run
# to the end, on one node and two; every node stops when the master asks for missing code (the
# one-node stops are in startup.sh).
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work

# The README's example runs to the end: molecule, both basis sets and the DFT groups.
run_ok examples/water_setup.inp "$work/water.out" "water set-up"
expect_text "$work/water.out" " | Dimension of   auxiliary  basis     71"
expect_text "$work/water.out" " | Dimension of wavefunction basis     24"

# The multiply benchmark runs on one node and on two, with a line per size.
run_ok examples/multiply.inp "$work/mul.out" multiply
[ "$(grep -c '^NA=' "$work/mul.out")" -eq 2 ] || fail "multiply lines"
if [ -n "$mpiexec" ]; then
  "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" examples/multiply.inp \
    > "$work/mul2.out" 2>/dev/null || fail "parallel multiply exit"
  [ "$(grep -c '^NA=' "$work/mul2.out")" -eq 2 ] || fail "parallel multiply lines"
  printf '%s\n' '$control task=nmr $end' > "$work/nmr.inp"
  "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" "$work/nmr.inp" > "$work/mpi.out" 2>/dev/null &&
    fail "mpirun with missing code exit 0"
  expect_line "$work/mpi.out" " task NMR is not available in this build"
fi

finish
