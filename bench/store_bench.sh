#!/usr/bin/env bash
# Store throughput in file mode next to dd of the same size, in the same run.
# Usage: bench/store_bench.sh BUILD_DIR [DIR] [MB]
set -eu
build=$1
dir=${2:-${TMPDIR:-/tmp}}
mb=${3:-1024}
for i in 1 2 3; do
  "$build/bench/bench_store" "$dir" "$mb"
  dd if=/dev/zero of="$dir/dd.bench" bs=64M count=$((mb / 64)) 2>&1 | tail -1 | sed 's/^/dd write: /'
  dd if="$dir/dd.bench" of=/dev/null bs=64M 2>&1 | tail -1 | sed 's/^/dd read:  /'
  rm -f "$dir/dd.bench"
done
