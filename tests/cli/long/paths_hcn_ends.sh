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

one_imaginary_frequency "$work/saddle.out" "SADDLE"

finish
