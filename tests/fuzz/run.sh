#!/usr/bin/env bash
# Runs every fuzz harness on a copy of its seed corpus.
# Usage: tests/fuzz/run.sh BUILD_DIR [RUNS_PER_HARNESS] [extra libFuzzer flags...]
# FUZZ_ONLY="molecule_fuzz basis_library_fuzz" limits the run to those harnesses.
# A build dir comes from:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DOSTREL_FUZZ=ON -DOSTREL_MPI=OFF -DOSTREL_TESTS=OFF
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
runs=${2:-20000}
shift 2 || shift $#
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for harness in "$build"/tests/fuzz/*_fuzz; do
  name=$(basename "$harness")
  if [ -n "${FUZZ_ONLY:-}" ] && [[ " $FUZZ_ONLY " != *" $name "* ]]; then continue; fi
  mkdir -p "$work/$name"
  cp "$here/corpus/$name"/* "$work/$name"/ 2>/dev/null
  for regression in "$here"/regressions/"$name"/*; do
    [ -f "$regression" ] && cp "$regression" "$work/$name/"
  done
  # Runs go in slices of at most 100000 per process: under AddressSanitizer every caught
  # rejection (a C++ throw) leaves a few KB in the sanitizer's own thread bookkeeping, so
  # one long process would end at the memory limit without any fault of the readers.
  left=$runs
  rc=0
  : > "$work/$name.log"
  while [ "$left" -gt 0 ] && [ $rc -eq 0 ]; do
    slice=$(( left < 100000 ? left : 100000 ))
    (cd "$work" && "$harness" -runs="$slice" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$work/$name-" "$@" "$work/$name" >> "$work/$name.log" 2>&1)
    rc=$?
    left=$(( left - slice ))
  done
  summary="$runs runs, last slice: $(grep -E '^Done' "$work/$name.log" | tail -1)"
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$work/$name.log" | tail -1)
  echo "$name: exit $rc, $summary ($cov)"
  if [ $rc -ne 0 ]; then
    status=1
    grep -E 'ERROR|SUMMARY|runtime error' "$work/$name.log" | head -5
    mkdir -p "$here/findings"
    cp "$work/$name"-* "$here/findings/" 2>/dev/null
  fi
done
exit $status
