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
# Last line of every script: status 1 with the count when anything failed.
finish() {
  [ $failures -eq 0 ] || { echo "$failures failed"; exit 1; }
  echo "${1:-all passed}"
}
