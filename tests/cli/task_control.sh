#!/usr/bin/env bash
# Black-box runs of task selection: requests without code stop with status 1 and one line,
# a set-up-only run ends with status 0.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work

expect_stop() {  # input text, line the run must print before stopping with status 1
  printf '%s\n' "$1" > "$work/stop.inp"
  "$ostrel" "$work/stop.inp" > "$work/stop.out"; rc=$?
  [ $rc -eq 1 ] || fail "[$1] exit $rc"
  grep -qxF -- "$2" "$work/stop.out" || fail "[$1] missing line [$2]"
  grep -qxF "  process 0 received signal 6" "$work/stop.out" || fail "[$1] signal line"
}
expect_stop '$control task=dipole $end' " task DIPOLE is not available in this build"
expect_stop '$control task=energy theory=tddft $end' " theory TDDFT is not available in this build"
expect_stop '$control derivative=semi $end' " SEMI?"
expect_stop '$control task=energy theory=script $end' " molecule?"

# The external-program theory needs no basis: the set-up alone runs to the end.
cat > "$work/setup.inp" <<'INPUT'
$control task=setup-only theory=script wavelength=500 $end
$molecule
 cartesian
 2 0.0 0.0 0.0
$end
$energy e=-2.5 $end
INPUT
"$ostrel" "$work/setup.inp" > "$work/setup.out"; rc=$?
[ $rc -eq 0 ] || fail "set-up-only run exit $rc"
grep -qxF " wavelength= 500.00000 nm : energy=0.09112672 au" "$work/setup.out" || fail "wavelength line"
grep -qxF " Energy provided (-2.500000000000000e+00)." "$work/setup.out" || fail "provided energy"

# The README's example runs to the end: molecule, both basis sets and the DFT groups.
"$ostrel" examples/water_setup.inp > "$work/water.out"; rc=$?
[ $rc -eq 0 ] || fail "water set-up exit $rc"
grep -qF " | Dimension of   auxiliary  basis     71" "$work/water.out" || fail "water auxiliary count"
grep -qF " | Dimension of wavefunction basis     24" "$work/water.out" || fail "water basis count"

# The multiply benchmark runs on one node and on two, with a line per size.
"$ostrel" examples/multiply.inp > "$work/mul.out"; rc=$?
[ $rc -eq 0 ] || fail "multiply exit $rc"
[ "$(grep -c '^NA=' "$work/mul.out")" -eq 2 ] || fail "multiply lines"
if [ -n "$mpiexec" ]; then
  "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" examples/multiply.inp \
    > "$work/mul2.out" 2>/dev/null || fail "parallel multiply exit"
  [ "$(grep -c '^NA=' "$work/mul2.out")" -eq 2 ] || fail "parallel multiply lines"
fi

# Every node stops together when the master's input asks for missing code.
if [ -n "$mpiexec" ]; then
  printf '%s\n' '$control task=nmr $end' > "$work/nmr.inp"
  for input in "$work/stop.inp" "$work/nmr.inp"; do
    "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" "$input" > "$work/mpi.out" 2>/dev/null
    rc=$?
    [ $rc -ne 0 ] || fail "mpirun [$input] exit $rc"
  done
  grep -qxF " task NMR is not available in this build" "$work/mpi.out" || fail "mpirun message"
fi

finish
