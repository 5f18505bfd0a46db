#!/usr/bin/env bash
# Hessians end to end: the water example (central differences of PBE/def2-SVP gradients)
# against Psi4's Hessian, the external-program example (theory script, its own analytic
# Hessian) against differences of its gradients, a difference Hessian split over two runs,
# the anharmonic scan of the external program against the analytic Morse level, and a
# failing external program.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work
root=$(pwd)
cd "$work" || exit 1

# The numbers of the last "eng>" Hessian, one per line.
hessian_of() {
  awk '/^eng>\$Energy/ { n = 0; h = 0 }
       /^eng> *H=/ { h = 1; sub(/^eng> *H=/, ""); for (i = 1; i <= NF; i++) v[++n] = $i; next }
       /^eng> *[A-Za-z]+=/ { h = 0 }
       /^eng>\$end/ { h = 0; if (n > 0) { last = n; for (i = 1; i <= n; i++) w[i] = v[i] } }
       h && /^eng> / { sub(/^eng>/, ""); for (i = 1; i <= NF; i++) v[++n] = $i }
       END { for (i = 1; i <= last; i++) print w[i] }' "$1"
}
largest_difference() {  # file file -> max |a - b| over the paired lines
  paste "$1" "$2" | awk '{ d = $1 - $2; if (d < 0) d = -d; if (d > m) m = d } END { printf "%.3e", m }'
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
no_exchange_files() { ! ls z[0-9]*.in z[0-9]*.out > /dev/null 2>&1; }
finished() {  # status report
  [ "$1" -eq 0 ] && grep -q "^ ZPVE = " "$2"  # the vibrational analysis ran
}

# Water: Psi4 1.3.2 (tools/water_hessian_psi4_reference.py), RKS PBE/def2-SVP, RI-J with
# def2-universal-jfit, 200 x 974 grid, findif central differences (0.005) of analytic
# gradients; the O-H stretch block of the first hydrogen (y and z rows of atom 2), hartree/bohr^2.
"$ostrel" "$root/examples/water_hessian.inp" > water.out; rc=$?
finished $rc water.out || fail "water Hessian exit $rc"
grep -q "NUMERICAL AND ANALYTICAL GRADIENT" water.out || fail "no gradient check"
hessian_of water.out > water.h
[ "$(wc -l < water.h)" -eq 45 ] || fail "water Hessian has $(wc -l < water.h) of 45 elements"
# Packed elements 14 (4,4), 19 (5,4) and 20 (5,5), 1-based: yy, zy, zz of atom 2.
printf '3.3949144687e-01\n-2.1904328462e-01\n2.1013089471e-01\n' > psi4.h
sed -n '15p;20p;21p' water.h > ours.h
below "$(largest_difference ours.h psi4.h)" 2e-4 || fail "water Hessian off Psi4 by $(largest_difference ours.h psi4.h)"
ls "$work"/hessian-*.keep > /dev/null 2>&1 && fail "the kept steps were not removed"

# The external Morse program with its own Hessian, then by central differences of its
# gradients, once in one run and once split over two runs.
export energy="sh $root/examples/morse_diatomic.sh"
"$ostrel" "$root/examples/morse_script.inp" > morse.out; rc=$?
finished $rc morse.out || fail "Morse example exit $rc"
grep -q "ANALYTICAL COMPUTATION OF SECOND DERIVATIVES" morse.out || fail "no analytic Hessian"
grep -q "^ Energy= " morse.out || fail "no energy line of the external program"
no_exchange_files || fail "exchange files left behind"
hessian_of morse.out > analytic.h
numeric() {  # steps -> input with central differences over that range
  sed "s/theory=script/theory=script derivative=numeric/" "$root/examples/morse_script.inp"
  echo "\$d2edr2 length=0.001 steps=$1 \$end"
}
numeric 0,-1 > whole.inp
"$ostrel" whole.inp > whole.out; finished $? whole.out || fail "numeric Morse exit"
hessian_of whole.out > whole.h
below "$(largest_difference whole.h analytic.h)" 1e-6 || fail "differences off the analytic Hessian"
numeric 0,5 > first.inp
numeric 6,-1 > second.inp
"$ostrel" first.inp > first.out || fail "first part exit $?"
grep -q " steps still to compute: 6-12 " first.out || fail "first part does not name the steps left"
"$ostrel" second.inp > second.out; finished $? second.out || fail "second part exit"
hessian_of second.out > split.h
cmp -s split.h whole.h || fail "the split Hessian differs from the one-run Hessian"

# The anharmonic scan on the external Morse program: level 0 against the analytic Morse
# level w/2 - wx/4 with wx = w^2 / (4 De), De = 0.1745 hartree (the program's depth).
sed "s/task=hessian/task=anharmonic/" "$root/examples/morse_script.inp" > anharmonic.inp
"$ostrel" anharmonic.inp > anharmonic.out || fail "anharmonic exit $?"
no_exchange_files || fail "exchange files left after the scan"
w=$(sed -n 's/^ mode  1: harmonic frequency = *\([0-9.]*\).*/\1/p' anharmonic.out)
e0=$(sed -n 's/^  0: e = *\([0-9.]*\) .*/\1/p' anharmonic.out)
level0=$(awk -v w="$w" 'BEGIN { wx = w * w / (4 * 0.1745 * 219474.6313705); printf "%.3f", w / 2 - wx / 4 }')
below "$(awk -v a="$e0" -v b="$level0" 'BEGIN { d = a - b; print d < 0 ? -d : d }')" 1.0 ||
  fail "Morse level 0 is $e0 cm^-1, the analytic level $level0"

# A failing program stops the run with one line and leaves no exchange file.
energy="exit 3" "$ostrel" "$root/examples/morse_script.inp" > failed.out; rc=$?
[ $rc -eq 1 ] || fail "failing program exit $rc"
grep -qx " command failed" failed.out || fail "no failure line"
no_exchange_files || fail "exchange files left after the failure"

finish
