#!/usr/bin/env bash
# Black-box runs of start-up, system options, fatal errors and several nodes.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"

mkdir -p "$work/tmp"
export TMPDIR=$work/tmp

# A run that needs no basis and no task routine: set-up only, status 0.
setup_only='$control task=setup-only theory=script $end
$molecule
 cartesian
 2 0.0 0.0 0.0
$end'

# No system group: banner, date, one node, default options, report, status 0.
printf '%s\n' "just a comment" "$setup_only" > "$work/empty.inp"
run_ok "$work/empty.inp" "$work/empty.out" "default input"
sed -n 1p "$work/empty.out" | grep -qxF " Ostrel 6 (2006.08.20)" || fail "banner"
sed -n 3p "$work/empty.out" | grep -qE '^ date: [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4}$' || fail "date line"
expect_line "$work/empty.out" " node  0: '$(hostname)'"
expect_line "$work/empty.out" " Memory: 128 (128) MB"
expect_line "$work/empty.out" " Disk:   16 GB '$TMPDIR'"
for text in " Memory used =" "  Disk  used =" " CPU  time =" " REAL time ="; do expect_text "$work/empty.out" "$text"; done
grep -qE 'nan|inf' "$work/empty.out" && fail "nan or inf in the report"
[ "$(grep -c ' date: ' "$work/empty.out")" -eq 2 ] || fail "closing date line"

# System options.
run_options() {  # input text, expected options line
  printf '%s\n' "$1" "$setup_only" > "$work/opt.inp"
  run_ok "$work/opt.inp" "$work/opt.out" "options [$1]"
  expect_line "$work/opt.out" "$2"
}
run_options '$system memory=500,300 $end' " Memory: 500 (300) MB"
run_options '$system memory=500 $end' " Memory: 500 (500) MB"
run_options '$system disk=-200 $end' " Memory: 128 (128) MB + 200 MB"
mkdir -p "$work/with blank"
run_options "\$system path=\"$work/with blank\" \$end" " Disk:   16 GB '$work/with blank'"
unset TMPDIR
run_options '$system $end' " Disk:   16 GB '/tmp'"
export TMPDIR=$work/tmp

# Without any group the default task needs a molecule: the start-up lines, then the stop.
echo "just a comment" > "$work/nothing.inp"
"$ostrel" "$work/nothing.inp" > "$work/nothing.out"; rc=$?
[ $rc -eq 1 ] || fail "input without groups exit $rc"
expect_line "$work/nothing.out" " Memory: 128 (128) MB"
expect_line "$work/nothing.out" " molecule?"

# Fatal errors: one message line, the signal line, status 1, the report, no scratch file.
run_fatal() {  # input text, expected message line
  printf '%s\n' "$1" > "$work/bad.inp"
  "$ostrel" "$work/bad.inp" > "$work/bad.out" 2>&1; rc=$?
  [ $rc -eq 1 ] || fail "fatal [$1] exit $rc"
  expect_text "$work/bad.out" "$2"
  expect_line "$work/bad.out" "  process 0 received signal 6"
  expect_text "$work/bad.out" " REAL time ="
  ls "$TMPDIR" | grep -q "^tmp[0-9]" && fail "scratch files left after [$1]: $(ls "$TMPDIR")"
}
run_fatal '$system memory=1 nonsense=2 $end' "*** error in '\$system' : unknown name nonsense"
run_fatal '$system disk=600 $end' "0: too many tmp files (600)"
run_fatal "\$system path=/$(printf 'p%.0s' $(seq 130)) \$end" "*** error in '\$system' reading variable 'path'"
run_fatal "\$system path=$work/missing-dir \$end" "0: opening file $work/missing-dir/tmp"
run_fatal '$control task=dipole $end' " task DIPOLE is not available in this build"
run_fatal '$molecule z 8 1 1 1.0 1 1 1.0 -2 5.0 $end' " z-matrix atom 3: these distances form no triangle"

"$ostrel" "$work/none.inp" > "$work/nf.out" 2> "$work/nf.err"; rc=$?
[ $rc -eq 1 ] || fail "missing input exit $rc"
expect_line "$work/nf.err" " Cannot open input file '$work/none.inp'."
"$ostrel" > /dev/null 2>&1; rc=$?
[ $rc -eq 1 ] || fail "no arguments exit $rc"

# Two output files with one process: the master writes the first.
"$ostrel" "$work/empty.inp" "$work/a.out" "$work/b.out" || fail "two outputs exit $?"
expect_text "$work/a.out" " Ostrel 6"

# Several nodes.
if [ -n "$mpiexec" ]; then
  mpi="$mpiexec --allow-run-as-root --oversubscribe -np 2"
  printf '%s\n' '$system memory=300,200 disk=-50 $end' "$setup_only" > "$work/par.inp"
  $mpi "$ostrel" "$work/par.inp" > "$work/par.out" 2>&1 || fail "mpirun exit"
  for line in " parallel execution on  2 processors" " node  0: '$(hostname)'" " node  1: '$(hostname)'" \
      " Memory: 300 (200) MB + 50 MB" " Message passing statistics:"; do
    expect_line "$work/par.out" "$line"
  done
  [ "$(grep -c ' Memory used =' "$work/par.out")" -eq 2 ] || fail "two memory lines"
  [ "$(grep -c ' CPU  time =' "$work/par.out")" -eq 2 ] || fail "two CPU lines"
  $mpi "$ostrel" "$work/par.inp" "$work/n0.out" "$work/n1.out" > /dev/null 2>&1 || fail "mpirun two outputs"
  expect_text "$work/n0.out" " Ostrel 6"
  [ -f "$work/n1.out" ] || fail "node 1 output file"
  printf '%s\n' '$system nonsense=1 $end' > "$work/pbad.inp"
  $mpi "$ostrel" "$work/pbad.inp" > "$work/pbad.out" 2>&1; rc=$?
  [ $rc -ne 0 ] || fail "parallel fatal exit $rc"
  expect_line "$work/pbad.out" "  process 0 received signal 6"
  ls "$TMPDIR" | grep -q '^tmp' && fail "parallel scratch files left"
fi

finish "startup checks passed"
