#!/bin/sh
# Rebuilds data/basis/ from Psi4's basis files (Debian package psi4). Every family file holds
# its orbital sets in "$basis", Weigend's universal Coulomb-fitting set in "$basis2" (the
# def2-*-jfit files are one and the same set) and, for def2, the core potentials in "$ecp".
set -e
here=$(cd "$(dirname "$0")" && pwd)
gbs=${GBS_DIR:-/usr/share/psi4/basis}
out=$here/../data/basis
conv="python3 $here/gbs_to_library.py"
jfit=$gbs/def2-universal-jfit.gbs
[ -r "$jfit" ] || jfit=$gbs/def2-svp-jfit.gbs
all=1-86

# family FILE SET GBS [--type general] [--ecp]
family() {
  file=$1 set=$2 src=$3
  shift 3
  extra=""
  for a in "$@"; do
    case $a in
      --ecp) extra="$extra --ecp $gbs/$src.gbs" ;;
      *) extra="$extra $a" ;;
    esac
  done
  $conv "$out/$file" --default "$set" --basis "$set" "$gbs/$src.gbs" \
    --default2 def2-universal-jfit --basis2 "def2-universal-jfit|$set" "$jfit" \
    --elements $all $extra
}

family def2-svp def2-SVP def2-svp --ecp
family def2-tzvp def2-TZVP def2-tzvp --ecp
family def2-svp_p "def2-SV(P)" def2-sv_p_ --ecp
family cc-pvdz cc-pVDZ cc-pvdz --type general
family cc-pvtz cc-pVTZ cc-pvtz --type general
family 6-31gs "6-31G*" 6-31gs
family sto-3g STO-3G sto-3g

# Both def2 sets in one file (H-Kr and I), as the tests use it.
$conv "$out/def2" --default def2-SVP \
  --basis def2-SVP "$gbs/def2-svp.gbs" --basis def2-TZVP "$gbs/def2-tzvp.gbs" \
  --default2 def2-universal-jfit \
  --basis2 "def2-universal-jfit|def2-SVP|def2-TZVP" "$gbs/def2-svp-jfit.gbs" \
  --ecp "$gbs/def2-svp.gbs" --elements 1-36,53
