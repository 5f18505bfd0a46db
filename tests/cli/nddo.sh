#!/usr/bin/env bash
# The NDDO model end to end: the AM1 optimisation example against MOPAC's geometry, and two
# nodes against one.
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

if [ -n "$mpiexec" ]; then
  timeout 600 "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" examples/nddo_optimize.inp \
    > "$work/opt2.out" 2>/dev/null || fail "two-node optimisation exit $?"
  [ "$(grep '^MOL>' "$work/opt.out")" = "$(grep '^MOL>' "$work/opt2.out")" ] || fail "two nodes differ"
fi

finish
