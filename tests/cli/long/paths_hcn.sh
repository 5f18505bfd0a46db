#!/usr/bin/env bash
# HCN <-> HNC against Psi4 1.3.2 (tools/paths_psi4_reference.py), same model: RKS
# PBE/def2-SVP, RI-J with def2-universal-jfit, XC from the orbitals on a tight grid.
# The saddle search from a guess (examples/hcn_saddle.inp, its Hessian computed by the run)
# reaches optking's transition state: energy within 2e-6 hartree, distances within 1e-3
# angstrom. The IRC from that structure (examples/hcn_irc.inp) falls monotonically in both
# directions, and its two ends, optimised, are the HCN and HNC minima (2e-6 hartree).
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/../common.bash"
export TMPDIR=$work
root=$PWD

source "$(dirname "$0")/hcn_reference.bash"

"$ostrel" "$root/examples/hcn_saddle.inp" > "$work/saddle.out" || fail "saddle search exit $?"
grep -q "H for saddle\|we need a hessian" "$work/saddle.out" && fail "the saddle search stopped for a Hessian"
at_transition_state "$work/saddle.out" "saddle search"

# IRC both ways; each end optimised.
for dir in 0 1; do
  sed "s/tolerance=1e-4 \\\$end/tolerance=1e-4 back=$dir \$end/" "$root/examples/hcn_irc.inp" > "$work/irc$dir.inp"
  "$ostrel" "$work/irc$dir.inp" > "$work/irc$dir.out" || fail "IRC back=$dir exit $?"
  sed -n '/REACTION PATH:/,$p' "$work/irc$dir.out" | grep '^IRC> path point' |
    awk -v back=$dir '{ e[NR] = $NF } END { for (k = 2; k <= NR; ++k) if (back ? e[k] <= e[k-1] : e[k] >= e[k-1]) exit 1 }' ||
    fail "IRC back=$dir: energies not monotonic from the saddle"
  last=$(grep -n '^IRC>\$molecule' "$work/irc$dir.out" | tail -1 | cut -d: -f1)
  [ "$dir" = 1 ] && last=$(sed -n '/REACTION PATH:/,$p' "$work/irc$dir.out" | grep -n '^IRC>\$molecule' | head -1 | cut -d: -f1) &&
    last=$(( last + $(grep -n 'REACTION PATH:' "$work/irc$dir.out" | cut -d: -f1) - 1 ))
  { sed '/^\$molecule/,/^\$end/d; s/task=irc/task=optimize/; /^\$optimize/d' "$work/irc$dir.inp"
    sed -n "$last,\$p" "$work/irc$dir.out" | sed -n 's/^IRC>//p' | sed '/^\$end/q'
    # The ends are nearly linear, where the internal engine's set of independent variables
    # changes from step to step; the cartesian engine is indifferent to that.
    echo '$optimize tolerance=1e-6 cartesian=1 $end'; } > "$work/end$dir.inp"
  "$ostrel" "$work/end$dir.inp" > "$work/end$dir.out" || fail "end $dir optimisation exit $?"
  sed -n 's/^MOL> Energy = *//p' "$work/end$dir.out" >> "$work/ends"
done
sort -n "$work/ends" > "$work/ends.sorted"
close_to "$(head -1 "$work/ends.sorted")" "$hcn_energy" 2e-6 || fail "no IRC end optimises to HCN"
close_to "$(tail -1 "$work/ends.sorted")" "$hnc_energy" 2e-6 || fail "no IRC end optimises to HNC"

finish
