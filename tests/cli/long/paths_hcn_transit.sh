#!/usr/bin/env bash
# HCN <-> HNC from the two linear minima against Psi4 1.3.2 (tools/paths_psi4_reference.py),
# same model as examples/hcn_*.inp. TRANSIT's saddle search from the highest point of its
# chain reaches optking's transition state (hcn_reference.bash: 2e-6 hartree, 1e-3 angstrom,
# one imaginary frequency within 2 cm^-1). PATH from the same ends (held: they are the
# minima) climbs to within 1e-3 hartree of the saddle point's energy (1.5e-6 below it, 77
# gradients). STERIC's energies are those of single points at the same structures.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/../common.bash"
source "$(dirname "$0")/hcn_reference.bash"
export TMPDIR=$work

run_ok examples/hcn_transit.inp "$work/transit.out" "TRANSIT"
grep -q "H for saddle\|no Hessian at the start" "$work/transit.out" && fail "TRANSIT: the saddle search wanted a Hessian"
at_transition_state "$work/transit.out" "TRANSIT"
one_imaginary_frequency "$work/transit.out" "TRANSIT"

# Each point's trust radius 0.3 (half the maximum): the interpolated middle lies 33
# millihartree above the barrier.
sed 's/task=pathx/task=path/; s/^\$optimize .*/$optimize points=7 tolerance=1e-3 minimize=0,0 trust=0.6 $end/' \
  examples/hcn_path.inp > "$work/path.inp"
run_ok "$work/path.inp" "$work/path.out" "PATH"
top=$(sed -n 's/^PATH> Path Point *[0-9]*: E = *//p' "$work/path.out" | sort -g | tail -1)
close_to "$top" "$ts_energy" 1e-3 || fail "PATH: highest point ${top:-missing}, the saddle point $ts_energy"

# The probe is the last atom: each listed position as a separate single point.
run_ok examples/hcn_steric.inp "$work/steric.out" "STERIC"
[ "$(grep -c '^steric> v(' "$work/steric.out")" = 3 ] || fail "STERIC: not one line per position"
e0=$(sed -n 's/.* e=\([-0-9.]*\) .*/\1/p' examples/hcn_steric.inp)
positions=$(sed -n 's/.* r=\(.*\) \$end/\1/p' examples/hcn_steric.inp | tr -d ' ' | tr ',' ' ')
set -- $positions
for k in 1 2 3; do
  { sed -n '/^\$control/,/^ 6 /p' examples/hcn_steric.inp | sed 's/task=steric/task=energy/'
    printf ' 1 %s %s %s\n$end\n' "$1" "$2" "$3"
    sed -n '/^\$dft/,/^\$grid/p' examples/hcn_steric.inp; } > "$work/point$k.inp"
  shift 3
  run_ok "$work/point$k.inp" "$work/point$k.out" "single point $k"
  v=$(sed -n "s/^steric> v( *$k)= *\([-0-9.]*\) .*/\1/p" "$work/steric.out")
  close_to "$(awk -v v="$v" -v e="$e0" 'BEGIN { printf "%.10f", v + e }')" "$(energy_of "$work/point$k.out")" 1e-7 ||
    fail "STERIC position $k: $v above e0, the single point gives $(energy_of "$work/point$k.out")"
done

finish
