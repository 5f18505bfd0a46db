#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root) when it is missing, then configures
# and builds Ostrel into ./build (or the directory given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true

packages=(g++ cmake make libgtest-dev openmpi-bin libopenmpi-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" > /dev/null
cmake --build "$build" -j"$(nproc)"
