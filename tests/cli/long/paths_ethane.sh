#!/usr/bin/env bash
# The ethane rotation barrier against Psi4 1.3.2 (tools/paths_psi4_ethane.py), same model as
# examples/ethane_*.inp: RKS PBE/def2-SVP, RI-J with def2-universal-jfit, XC from the orbitals
# on a tight grid. The saddle search from a twisted guess, TRANSIT and SADDLE from two
# staggered minima a third of a turn apart all reach the eclipsed transition state (2e-6
# hartree; C-C and C-H within 1e-3 angstrom). The IRC from Psi4's transition state prints the
# torsion's frequency (within 2 cm^-1), falls monotonically both ways, and its ends optimise
# to the staggered minimum (2e-6 hartree); IRC4 gives the same energies at equal arc length
# (1e-4). Several hours on one core.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/../common.bash"
export TMPDIR=$work

ts_energy=-79.6373137205
ts_cc=1.541647
ts_ch=1.108505
ts_frequency=301.225
minimum_energy=-79.6417887166

distance() {  # report, atoms (1-based) -> distance (angstrom) of the converged structure
  awk -v a="$2" -v b="$3" '/^MOL> +[0-9]+ / { n++; x[n] = $3; y[n] = $4; z[n] = $5 }
    END { printf "%.10f", sqrt((x[a]-x[b])^2 + (y[a]-y[b])^2 + (z[a]-z[b])^2) }' "$1"
}
at_transition_state() {  # report, label
  close_to "$(sed -n 's/^MOL> Energy = *//p' "$1")" "$ts_energy" 2e-6 || fail "$2: energy"
  close_to "$(distance "$1" 1 2)" "$ts_cc" 1e-3 || fail "$2: C-C"
  close_to "$(distance "$1" 1 3)" "$ts_ch" 1e-3 || fail "$2: C-H"
}
path_points() {  # report -> "s E" per point of the final listing
  sed -n '/REACTION PATH:/,$p' "$1" | sed -n 's/^IRC> path point *[0-9]*: distance = *\([-0-9.]*\) Energy = *\([-0-9.]*\)/\1 \2/p'
}

run_ok examples/ethane_saddle.inp "$work/saddle.out" "saddle search"
grep -q "H for saddle\|we need a hessian" "$work/saddle.out" && fail "the saddle search stopped for a Hessian"
at_transition_state "$work/saddle.out" "saddle search"

run_ok examples/ethane_transit.inp "$work/transit.out" "TRANSIT"
at_transition_state "$work/transit.out" "TRANSIT"
sed 's/task=transit/task=saddle/' examples/ethane_transit.inp > "$work/two_ends.inp"
run_ok "$work/two_ends.inp" "$work/two_ends.out" "SADDLE"
at_transition_state "$work/two_ends.out" "SADDLE"

# IRC both ways; the first run's Hessian (its eng> group) starts the others.
for task in irc irc4; do
  for dir in 0 1; do
    sed "s/task=irc/task=$task/; s/tolerance=1e-4 \\\$end/tolerance=1e-4 back=$dir \$end/" examples/ethane_irc.inp \
      > "$work/$task$dir.inp"
    [ -s "$work/hessian" ] && cat "$work/hessian" >> "$work/$task$dir.inp"
    run_ok "$work/$task$dir.inp" "$work/$task$dir.out" "$task back=$dir"
    [ -s "$work/hessian" ] || awk '/^eng>\$Energy/ { on = 1 } on { print substr($0, 5) } /^eng>\$end/ && on { exit }' \
      "$work/$task$dir.out" > "$work/hessian"
    path_points "$work/$task$dir.out" > "$work/$task$dir.points"
  done
done
f=$(sed -n 's/^ frequency = *\([0-9.]*\)i cm^-1:.*/\1/p' "$work/irc0.out" | head -1)
close_to "${f:-0}" "$ts_frequency" 2 || fail "IRC: torsion frequency ${f:-missing}i, Psi4 ${ts_frequency}i"
for dir in 0 1; do
  awk -v back=$dir '{ e[NR] = $2 } END { for (k = 2; k <= NR; ++k) if (back ? e[k] <= e[k-1] : e[k] >= e[k-1]) exit 1
                                         exit NR < 3 }' "$work/irc$dir.points" ||
    fail "IRC back=$dir: energies not monotonic from the saddle"
  # The far end: the last structure of the path (listed first when back=1).
  { sed '/^\$molecule/,/^\$end/d; s/task=irc/task=optimize/; /^\$optimize/d' examples/ethane_irc.inp
    sed -n '/REACTION PATH:/,$p' "$work/irc$dir.out" |
      awk -v back=$dir '/^IRC>\$molecule/ { n = 0; on = 1 } on { block[++n] = substr($0, 5) }
        /^IRC>\$end/ && on { on = 0; if (back) exit; last = n; for (k = 1; k <= n; ++k) keep[k] = block[k] }
        END { if (back) for (k = 1; k <= n; ++k) print block[k]; else for (k = 1; k <= last; ++k) print keep[k] }'
    echo '$optimize tolerance=1e-6 $end'; } > "$work/end$dir.inp"
  run_ok "$work/end$dir.inp" "$work/end$dir.out" "IRC end $dir optimisation"
  close_to "$(sed -n 's/^MOL> Energy = *//p' "$work/end$dir.out")" "$minimum_energy" 2e-6 ||
    fail "IRC back=$dir: the end does not optimise to the staggered minimum"
  # IRC4's energies against the IRC's at equal arc length, the IRC's interpolated through its
  # three nearest points (a straight line misses the curvature at the saddle by 2e-4).
  awk 'NR == FNR { s[NR] = $1; e[NR] = $2; n = NR; next }
       { for (k = 2; k <= n && (s[k] - $1) * (s[k] - s[1]) < 0; ++k); if (k > n || $1 == 0) next
         a = k > 2 ? k - 2 : 1; if (a + 2 > n) a = n - 2; v = 0
         for (i = a; i <= a + 2; ++i) { l = 1; for (j = a; j <= a + 2; ++j) if (j != i) l *= ($1 - s[j]) / (s[i] - s[j]); v += l * e[i] }
         d = $2 - v; if (d * d > 1e-8) bad = 1; ++seen }
       END { exit bad || seen < 3 }' "$work/irc$dir.points" "$work/irc4$dir.points" ||
    fail "IRC4 back=$dir leaves the IRC path"
done

finish
