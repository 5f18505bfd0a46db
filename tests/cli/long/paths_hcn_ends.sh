#!/usr/bin/env bash
# The HCN <-> HNC saddle search from the two linear minima (Psi4's, examples/
# hcn_saddle_search.inp): the structures interpolated between them are bent, and the search
# reaches optking's transition state (hcn_reference.bash: 2e-6 hartree, 1e-3 angstrom) with a
# single imaginary frequency within 2 cm^-1 of Psi4's.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/../common.bash"
source "$(dirname "$0")/hcn_reference.bash"
export TMPDIR=$work

run_ok examples/hcn_saddle_search.inp "$work/saddle.out" "SADDLE"
grep -q "H for saddle" "$work/saddle.out" && fail "SADDLE: stage 2 wanted a Hessian"
at_transition_state "$work/saddle.out" "SADDLE"

# The Hessian there by differences of gradients.
{ echo '$control task=hessian theory=dft basis=def2-svp fit=J $end'
  echo '$molecule'
  echo ' cartesian'
  sed -n 's/^MOL> *\([0-9]\+ .*\)/ \1/p' "$work/saddle.out"
  echo '$end'
  printf '$dft functional=pbe $end\n$scf fitxc=0 $end\n$grid accuracy=1e-10 $end\n'; } > "$work/freq.inp"
run_ok "$work/freq.inp" "$work/freq.out" "Hessian at the saddle point"
sed -n 's/^ freq\. //p' "$work/freq.out" | tr -s ' ' '\n' | paste -sd' ' |
  awk -v f="$ts_frequency" '{ for (k = 1; k <= NF; ++k) if ($k == "i") { ++n; v = $(k - 1) } }
    END { d = v - f; exit !(n == 1 && d * d <= 4) }' || fail "SADDLE: not one imaginary frequency near $ts_frequency"

finish
