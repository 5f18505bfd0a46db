#!/bin/sh
# Rebuilds data/basis/ from Psi4's basis files (Debian package psi4).
set -e
here=$(cd "$(dirname "$0")" && pwd)
gbs=${GBS_DIR:-/usr/share/psi4/basis}
out=$here/../data/basis
python3 "$here/gbs_to_library.py" "$out/def2" --default def2-SVP \
  --basis def2-SVP "$gbs/def2-svp.gbs" --basis def2-TZVP "$gbs/def2-tzvp.gbs" \
  --default2 def2-universal-jfit \
  --basis2 "def2-universal-jfit|def2-SVP|def2-TZVP" "$gbs/def2-svp-jfit.gbs" \
  --ecp "$gbs/def2-svp.gbs" --elements 1-36,53
python3 "$here/gbs_to_library.py" "$out/cc-pvdz" --type general --default cc-pVDZ \
  --basis cc-pVDZ "$gbs/cc-pvdz.gbs" \
  --default2 def2-universal-jfit \
  --basis2 "def2-universal-jfit|cc-pVDZ" "$gbs/def2-svp-jfit.gbs" --elements 1-36
