#!/usr/bin/env bash
# Reaction paths, saddle searches and scans end to end on the double well of
# examples/double_well.sh (theory script, barrier 0.0128 hartree at r = 2 bohr, minima at 1.6
# and 2.4 bohr): the runs compute their own starting Hessian, the path runs downhill to the
# minimum, back=1 takes the other side and lists it reversed, the edge cases stop as they
# should, and two nodes take the same path.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/common.bash"
export TMPDIR=$work
export energy="sh $PWD/examples/double_well.sh"

# input text with the task, start distance (bohr) and optimize options
input() {
  printf '$control task=%s theory=script $end\n$molecule units=a\n cartesian\n 1 0 0 0\n 1 0 0 %s\n$end\n' "$1" "$2"
  printf '$optimize %s $end\n' "$3"
}
# report, tag -> "s E r" per listed point (r in bohr, from the two atoms of each group)
listing() {
  awk -v tag="$2" '$0 ~ "^" tag " path point" || $0 ~ "^" tag " n=" { split($0, f, "="); s = f[2] + 0; e = f[3] + 0;
                      if (tag == "SCAN>") { s = f[3] + 0; e = f[4] + 0 } }
    $1 == tag && NF == 5 { z[++n] = $5 }
    $1 == tag "$end" && n == 2 { printf "%.10f %.10f %.10f\n", s, e, (z[2] - z[1]) * 1.8897259885789233; n = 0 }' \
    "$1"
}
after() { sed -n "/$2/,\$p" "$1"; }  # report, marker -> the report from the marker on

input irc 2.0 "radius=0.05 tolerance=1e-5" > "$work/irc.inp"
run_ok "$work/irc.inp" "$work/irc.out" "IRC forward"
expect_text "$work/irc.out" "no Hessian at the start structure: computed now (level 2)"
expect_text "$work/irc.out" "i cm^-1:"
after "$work/irc.out" "REACTION PATH:" > "$work/irc.path"
listing "$work/irc.path" "IRC>" > "$work/irc.points"
[ "$(wc -l < "$work/irc.points")" -ge 3 ] || fail "IRC forward: fewer than 3 points"
awk 'NR > 1 && !($2 < e && $1 > s) { bad = 1 } { s = $1; e = $2 } END { exit bad }' "$work/irc.points" ||
  fail "IRC forward: energies do not fall or distances do not grow"
read -r s_end e_end r_end <<< "$(tail -1 "$work/irc.points")"
close_to "$r_end" 2.4 0.05 || fail "IRC forward ends at r=$r_end, the minimum is at 2.4"
close_to "$(head -1 "$work/irc.points" | cut -d' ' -f2)" 0.0128 1e-10 || fail "IRC point 0 is not the barrier"
expect_text "$work/irc.out" " PLOT"

# The Runge-Kutta path takes the same branch. On this line path both tasks must give the
# well's energy at r = 2 + s sqrt(2 / m_H): the arc length and the energies agree.
input irc4 2.0 "radius=0.05" > "$work/rk.inp"
run_ok "$work/rk.inp" "$work/rk.out" "IRC4"
after "$work/rk.out" "REACTION PATH:" | listing /dev/stdin "IRC>" > "$work/rk.points"
[ "$(wc -l < "$work/rk.points")" -ge 4 ] || fail "IRC4: fewer than 4 points"
for task in irc rk; do
  awk '{ d = $1 * sqrt(2 / 1.007825); v = 0.5 * (d * d - 0.16)^2; if (($2 - v)^2 > 1e-14) bad = 1 } END { exit bad }' \
    "$work/$task.points" || fail "$task: energies off the well's profile along the path"
done

input irc 2.0 "radius=0.05 tolerance=1e-5 back=1" > "$work/back.inp"
run_ok "$work/back.inp" "$work/back.out" "IRC back"
after "$work/back.out" "REACTION PATH:" | listing /dev/stdin "IRC>" > "$work/back.points"
read -r s_first e_first r_first <<< "$(head -1 "$work/back.points")"
close_to "$r_first" 1.6 0.05 || fail "IRC back: the listing starts at r=$r_first, not at the far end near 1.6"
awk '{ if ($1 > 0) bad = 1 } END { exit bad }' "$work/back.points" || fail "IRC back: a positive distance"
[ "$(tail -1 "$work/back.points" | cut -d' ' -f1)" = "0.0000000000" ] || fail "IRC back: the listing does not end at the start"

input irc 2.0 "points=0" > "$work/zero.inp"
run_ok "$work/zero.inp" "$work/zero.out" "IRC points=0"
[ "$(grep -c '^IRC> path point' "$work/zero.out")" = 2 ] || fail "IRC points=0: not the start point alone (and its listing)"
grep -q "Constrained Optimization" "$work/zero.out" && fail "IRC points=0 took a step"

input irc 2.4 "points=3" > "$work/minimum.inp"
"$ostrel" "$work/minimum.inp" > "$work/minimum.out" 2>&1; rc=$?
[ $rc -eq 1 ] || fail "IRC from a minimum: exit $rc"
grep -q "lowest eigenvalue = .*: is it a saddle point?" "$work/minimum.out" || fail "IRC from a minimum: no message"

# Saddle searches from a guess without a Hessian, in both engines.
for engine in 0 1; do
  input optimize 2.15 "saddle=1 cartesian=$engine tolerance=1e-7" > "$work/saddle$engine.inp"
  run_ok "$work/saddle$engine.inp" "$work/saddle$engine.out" "saddle search, cartesian=$engine"
  grep -q "H for saddle\|we need a hessian" "$work/saddle$engine.out" && fail "saddle search stopped for a Hessian"
  expect_text "$work/saddle$engine.out" "OPTIMIZATION CONVERGED"
  close_to "$(sed -n 's/^MOL> Energy = *//p' "$work/saddle$engine.out")" 0.0128 1e-9 ||
    fail "saddle search, cartesian=$engine: not at the barrier"
done

# Scan of the distance: every point at its target, with the well's energy there.
input scan 1.7 "fix=1,1,2,0,0 value=0.9,1.3 points=5 tolerance=1e-7" > "$work/scan.inp"
run_ok "$work/scan.inp" "$work/scan.out" "scan"
after "$work/scan.out" "Scan Structures:" | listing /dev/stdin "SCAN>" > "$work/scan.points"
[ "$(wc -l < "$work/scan.points")" = 5 ] || fail "scan: not 5 points"
awk '{ r = (0.9 + 0.1 * (NR - 1)) * 1.8897259885789233; t = (r - 2) ^ 2 - 0.16
       if ((($3 - r) ^ 2) > 1e-12 || (($2 - 0.5 * t * t) ^ 2) > 1e-16) bad = 1 } END { exit bad }' "$work/scan.points" ||
  fail "scan: a point off its target or energy"
input scan 1.7 "fix=1,1,2,0,0 value=0.9,1.3 points=1" > "$work/one.inp"
"$ostrel" "$work/one.inp" > "$work/one.out" 2>&1; rc=$?
[ $rc -eq 1 ] || fail "one-point scan: exit $rc"
[ "$(grep -c 'a scan needs at least 2 points' "$work/one.out")" = 1 ] || fail "one-point scan: not one line"

# Probe positions: one line each, energies of the well above e at those distances.
run_ok examples/double_well_steric.inp "$work/steric.out" "steric"
[ "$(grep -c '^steric> v(' "$work/steric.out")" = 3 ] || fail "steric: not one line per position"
awk -F'[=(), ]+' '/^steric> v\(/ { r = (0.8 + 0.1 * $3) * 1.8897259885789233; t = (r - 2) ^ 2 - 0.16
                    if (($4 - (0.5 * t * t - 0.001)) ^ 2 > 1e-17) bad = 1 } END { exit bad }' "$work/steric.out" ||
  fail "steric: an energy off the single point"
expect_text "$work/steric.out" "sum="

if [ -n "$mpiexec" ]; then
  timeout 300 "$mpiexec" -np 2 --oversubscribe --allow-run-as-root "$ostrel" "$work/irc.inp" \
    > "$work/irc2.out" 2>/dev/null || fail "two-node IRC exit $?"
  after "$work/irc2.out" "REACTION PATH:" | listing /dev/stdin "IRC>" > "$work/irc2.points"
  cmp -s "$work/irc.points" "$work/irc2.points" || fail "two nodes took another path"
fi

finish
