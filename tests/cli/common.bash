# Shared start of the black-box scripts (sourced, so not a test of its own): the ostrel
# binary and the MPI launcher from the arguments, a work directory removed at exit, and
# failure counting.
set -u
ostrel=$1
mpiexec=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() {  # file, fixed text that must stand alone on a line
  grep -qxF -- "$2" "$1" || fail "missing line [$2] in $1"
}
expect_text() {  # file, fixed text that must appear
  grep -qF -- "$2" "$1" || fail "missing text [$2] in $1"
}
close_to() {  # a b tolerance
  awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'
}
energy_of() {  # report file -> the E= value of its eng> group
  sed -n 's/^eng> E=\(.*\)$/\1/p' "$1" | tail -1
}
run_ok() {  # input, report file, label: the run must end with status 0
  "$ostrel" "$1" > "$2" || fail "$3 exit $?"
}
energy_near() {  # report, reference, tolerance, label
  local e
  e=$(energy_of "$1")
  [ -n "$e" ] && close_to "$e" "$2" "$3" || fail "$4 energy ${e:-missing}, reference $2"
}
# Last line of every script: status 1 with the count when anything failed.
finish() {
  [ $failures -eq 0 ] || { echo "$failures failed"; exit 1; }
  echo "${1:-all passed}"
}
