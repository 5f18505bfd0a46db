#!/usr/bin/env bash
# Water PBE/def2-SVP minimum end to end (examples/water_optimize.inp): converges, lands on
# the peer minimum, and two nodes take the same steps to the same structure.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work

# Psi4 1.3.2 with optking (gau_verytight), same model as examples/water_optimize.inp:
# RKS PBE/def2-SVP, RI-J with def2-universal-jfit, XC on a 200 x 974 grid.
ref_energy=-76.27267189959736
ref_bond=0.9746342810174423
ref_angle=102.04855984544164

# report -> "energy bond angle steps" of the converged structure
summary() {
  awk '/^MOL> +[0-9]+ / { n++; x[n] = $3; y[n] = $4; z[n] = $5 }
       /^MOL> Energy =/ { e = $4 }
       /OPTIMIZATION CONVERGED in/ { s = $4 }
       END { if (n != 3) exit 1
             r1 = sqrt((x[2]-x[1])^2 + (y[2]-y[1])^2 + (z[2]-z[1])^2)
             r2 = sqrt((x[3]-x[1])^2 + (y[3]-y[1])^2 + (z[3]-z[1])^2)
             c = ((x[2]-x[1])*(x[3]-x[1]) + (y[2]-y[1])*(y[3]-y[1]) + (z[2]-z[1])*(z[3]-z[1])) / (r1 * r2)
             printf "%.10f %.10f %.10f %.10f %s\n", e, r1, r2, atan2(sqrt(1 - c * c), c) * 57.29577951308232, s }' "$1"
}

run_ok examples/water_optimize.inp "$work/opt.out" "water optimisation"
grep -q "OPTIMIZATION CONVERGED" "$work/opt.out" || fail "no convergence"
grep -q "^mol>\$molecule" "$work/opt.out" || fail "no intermediate structure"
read -r e r1 r2 angle steps <<< "$(summary "$work/opt.out")"
if [ -n "${e:-}" ]; then
  close_to "$e" "$ref_energy" 2e-6 || fail "energy $e, reference $ref_energy"
  close_to "$r1" "$ref_bond" 1e-4 || fail "bond $r1, reference $ref_bond"
  close_to "$r2" "$ref_bond" 1e-4 || fail "bond $r2, reference $ref_bond"
  close_to "$angle" "$ref_angle" 0.01 || fail "angle $angle, reference $ref_angle"
  echo "water: E=$e r=$r1 a=$angle in $steps steps"
else
  fail "no converged structure"
fi

# The "mol>" lines of the last step read back as a molecule group (the way to continue a
# stopped run).
last=$(grep -n '^mol>\$molecule' "$work/opt.out" | tail -1 | cut -d: -f1)
sed -n "$last,\$p" "$work/opt.out" | sed -n '/^mol>/s/^mol>//p' | sed '/^\$end/q' > "$work/last.mol"
sed '/^\$molecule/,/^\$end/d' examples/water_optimize.inp > "$work/continue.inp"
cat "$work/last.mol" >> "$work/continue.inp"
grep -q "cartesian" "$work/continue.inp" || fail "the last mol> group is not a molecule group"

# A bad option stops the run at set-up: status 1 and one error line.
sed 's/^\$optimize .*/$optimize tolerance=1e-6 trust=-0.1 $end/' examples/water_optimize.inp > "$work/bad.inp"
"$ostrel" "$work/bad.inp" > "$work/bad.out" 2>&1; rc=$?
[ $rc -eq 1 ] || fail "bad trust radius: exit $rc"
[ "$(grep -c "error in '\$optimize'" "$work/bad.out")" = 1 ] || fail "bad trust radius: not one error line"
grep -q "Geometry Optimization Step" "$work/bad.out" && fail "bad trust radius: the optimizer ran"

# Linear and open-shell minima against Psi4 1.3.2 runs of the same model (optking
# gau_verytight): HCN (E, C-H, C-N) and the OH radical (UKS; E, O-H).
distance() {  # report atom-a atom-b -> distance in angstrom of the converged structure
  awk -v a="$2" -v b="$3" '/^MOL> +[0-9]+ / { n++; x[n] = $3; y[n] = $4; z[n] = $5 }
    END { printf "%.10f", sqrt((x[a]-x[b])^2 + (y[a]-y[b])^2 + (z[a]-z[b])^2) }' "$1"
}
run_ok examples/hcn_optimize.inp "$work/hcn.out" HCN
close_to "$(sed -n 's/^MOL> Energy = *//p' "$work/hcn.out")" -93.23800316526703 2e-6 || fail "HCN energy"
close_to "$(distance "$work/hcn.out" 1 2)" 1.0871536805679718 1e-4 || fail "HCN C-H"
close_to "$(distance "$work/hcn.out" 2 3)" 1.1672202821350444 1e-4 || fail "HCN C-N"
sed 's/task=energy/task=optimize/; s/ print=BONDS+CHARGES//' examples/oh_radical.inp > "$work/oh.inp"
printf '$optimize tolerance=1e-6 $end\n' >> "$work/oh.inp"
run_ok "$work/oh.inp" "$work/oh.out" OH
close_to "$(sed -n 's/^MOL> Energy = *//p' "$work/oh.out")" -75.5815868711671 2e-6 || fail "OH energy"
close_to "$(distance "$work/oh.out" 1 2)" 0.9896054297869268 1e-4 || fail "OH bond"

if [ -n "$mpiexec" ] && [ -n "${e:-}" ]; then
  timeout 600 "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" examples/water_optimize.inp \
    > "$work/opt2.out" 2>/dev/null || fail "two-node optimisation exit $?"
  read -r e2 r12 r22 angle2 steps2 <<< "$(summary "$work/opt2.out")"
  [ "${steps2:-x}" = "$steps" ] || fail "two nodes took ${steps2:-?} steps, one node $steps"
  close_to "${r12:-0}" "$r1" 1e-8 || fail "two-node bond ${r12:-?}, one node $r1"
  close_to "${angle2:-0}" "$angle" 1e-6 || fail "two-node angle ${angle2:-?}, one node $angle"
fi

finish
