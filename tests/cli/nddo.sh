#!/usr/bin/env bash
# The NDDO model end to end: the AM1 optimisation example and the regression set optimised
# under each of the three models against MOPAC's structures, and two nodes against one.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work

geometry() {  # report -> C-O, C-H1, C-H2 (angstrom) and O-C-H1, O-C-H2, H-C-H (degrees) of MOL>
  awk '/^MOL>  +[0-9]/ { n++; x[n] = $3; y[n] = $4; z[n] = $5 }
    function d(a, b) { return sqrt((x[a]-x[b])^2 + (y[a]-y[b])^2 + (z[a]-z[b])^2) }
    function ang(a, b, c) {
      cs = ((x[a]-x[b])*(x[c]-x[b]) + (y[a]-y[b])*(y[c]-y[b]) + (z[a]-z[b])*(z[c]-z[b])) / (d(a,b) * d(c,b))
      return atan2(sqrt(1 - cs * cs), cs) * 57.29577951308232 }
    END { printf "%.6f %.6f %.6f %.4f %.4f %.4f", d(1,2), d(1,3), d(1,4), ang(2,1,3), ang(2,1,4), ang(3,1,4) }' "$1"
}

# MOPAC 22.0.6 "AM1 NOMM GNORM=0.001 SCFCRT=1.D-12" from the same start: C-O 1.2273,
# C-H 1.1105 (both), O-C-H 122.2248 and 122.2252, H-C-H 115.5500; heat of formation -31.5116.
run_ok examples/nddo_optimize.inp "$work/opt.out" "AM1 optimisation"
read -r co ch1 ch2 och1 och2 hch <<< "$(geometry "$work/opt.out")"
close_to "${co:-0}" 1.2273 1e-3 || fail "C-O ${co:-?}"
close_to "${ch1:-0}" 1.1105 1e-3 || fail "C-H ${ch1:-?}"
close_to "${ch2:-0}" 1.1105 1e-3 || fail "C-H ${ch2:-?}"
close_to "${och1:-0}" 122.2248 0.1 || fail "O-C-H ${och1:-?}"
close_to "${och2:-0}" 122.2252 0.1 || fail "O-C-H ${och2:-?}"
close_to "${hch:-0}" 115.5500 0.1 || fail "H-C-H ${hch:-?}"
heat=$(sed -n 's/.*heat of formation= *\([-0-9.]*\) kcal.*/\1/p' "$work/opt.out" | tail -1)
close_to "${heat:-0}" -31.5116 2e-3 || fail "heat of formation ${heat:-?}"

# Optimised structures of the three models against MOPAC 22.0.6 ("<model> NOMM GNORM=0.001
# SCFCRT=1.D-12 CHARGE=<charge>", same start; ours to a gradient of 1e-6): every distance
# within 0.001 angstrom, every angle within 0.1 degree. Arguments: model, charge, start
# "Z x y z ...", MOPAC's final "x y z ..." (angstrom).
check() {
  local inp="$work/check.inp" out="$work/check.out"
  printf '$control task=optimize theory=nddo basis=%s $end\n$molecule charge=%s\n cartesian\n' "$1" "$2" > "$inp"
  echo "$3" | awk '{ for (i = 1; i <= NF; i += 4) print " " $i, $(i+1), $(i+2), $(i+3) }' >> "$inp"
  printf '$end\n$optimize tolerance=1e-6 steps=200 $end\n' >> "$inp"
  run_ok "$inp" "$out" "$1 optimisation of [$3]"
  { grep '^MOL>  *[0-9]' "$out" | awk '{ print $3, $4, $5 }'; echo "$4" | awk '{ for (i = 1; i <= NF; i += 3) print $i, $(i+1), $(i+2) }'; } |
    awk '{ n++; x[n] = $1; y[n] = $2; z[n] = $3 }
      function d(a, b) { return sqrt((x[a]-x[b])^2 + (y[a]-y[b])^2 + (z[a]-z[b])^2) }
      function ang(a, b, c,  cs) {
        cs = ((x[a]-x[b])*(x[c]-x[b]) + (y[a]-y[b])*(y[c]-y[b]) + (z[a]-z[b])*(z[c]-z[b])) / (d(a,b) * d(c,b))
        if (cs > 1) cs = 1; if (cs < -1) cs = -1
        return atan2(sqrt(1 - cs * cs), cs) * 57.29577951308232 }
      function abs(v) { return v < 0 ? -v : v }
      END { m = n / 2; bad = 0
        for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) {
          if (abs(d(i, j) - d(m + i, m + j)) > 1e-3) bad = 1
          for (k = 1; k <= m; k++) if (k != i && k != j && abs(ang(i, k, j) - ang(m + i, m + k, m + j)) > 0.1) bad = 1 }
        exit bad }' || fail "$1 structure of [$3] differs from MOPAC's"
}
# Every molecule of the regression set under each model (tools/nddo_mopac_structures.py).
while IFS='|' read -r model charge start final; do
  check "$model" "$charge" "$start" "$final"
done < tests/cli/nddo_structures.txt

if [ -n "$mpiexec" ]; then
  timeout 600 "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" examples/nddo_optimize.inp \
    > "$work/opt2.out" 2>/dev/null || fail "two-node optimisation exit $?"
  [ "$(grep '^MOL>' "$work/opt.out")" = "$(grep '^MOL>' "$work/opt2.out")" ] || fail "two nodes differ"
fi

# The parameter-fit example lowers its objective, and its fitted group serves as a parameter file.
run_ok examples/nddo_fit.inp "$work/fit.out" "NDDO parameter fit"
f0=$(sed -n 's/^ *F=\([0-9.]*\)$/\1/p' "$work/fit.out" | head -1)
f1=$(sed -n 's/^ iteration *[0-9]*: f=\([0-9.]*\) .*/\1/p' "$work/fit.out" | tail -1)
awk -v a="${f0:-0}" -v b="${f1:-1}" 'BEGIN { exit !(b < 0.5 * a) }' || fail "fit F ${f0:-?} -> ${f1:-?}"
sed -n '/^\$nddo/,/^\$end/p' "$work/fit.out" > "$work/fitted.nddo"
printf '$control task=energy theory=nddo basis=%s $end\n$molecule\n cartesian\n 8 0 0 0\n 1 0 0.757 0.587\n 1 0 -0.757 0.587\n$end\n' \
  "$work/fitted.nddo" > "$work/fitted.inp"
run_ok "$work/fitted.inp" "$work/fitted.out" "energy with the fitted parameters"
grep -q 'heat of formation' "$work/fitted.out" || fail "no heat of formation with the fitted parameters"

finish
