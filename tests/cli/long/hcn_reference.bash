# Shared by the HCN <-> HNC path tests (sourced): Psi4 1.3.2's numbers for the model of
# examples/hcn_*.inp (tools/paths_psi4_reference.py): RKS PBE/def2-SVP, RI-J with
# def2-universal-jfit, XC from the orbitals on a 200 x 974 grid, e/d_convergence 1e-10,
# optking gau_verytight; the transition state from its TS search (Hessian at the first step),
# the imaginary frequency from its Hessian by differences of gradients there.
ts_energy=-93.1641167787
ts_ch=1.20671587
ts_cn=1.20066632
ts_nh=1.38242188
ts_frequency=1077.1
hcn_energy=-93.2380031653
hnc_energy=-93.2145237391

# report, atoms (1-based) -> distance (angstrom) of the converged structure
distance() {
  awk -v a="$2" -v b="$3" '/^MOL> +[0-9]+ / { n++; x[n] = $3; y[n] = $4; z[n] = $5 }
    END { printf "%.10f", sqrt((x[a]-x[b])^2 + (y[a]-y[b])^2 + (z[a]-z[b])^2) }' "$1"
}

# report, label: the converged structure is optking's transition state
at_transition_state() {
  close_to "$(sed -n 's/^MOL> Energy = *//p' "$1")" "$ts_energy" 2e-6 || fail "$2: energy"
  close_to "$(distance "$1" 1 2)" "$ts_ch" 1e-3 || fail "$2: C-H"
  close_to "$(distance "$1" 2 3)" "$ts_cn" 1e-3 || fail "$2: C-N"
  close_to "$(distance "$1" 1 3)" "$ts_nh" 1e-3 || fail "$2: N-H"
}

# report, label: the Hessian at its converged structure (differences of gradients) has one
# imaginary frequency, within 2 cm^-1 of Psi4's
one_imaginary_frequency() {
  { echo '$control task=hessian theory=dft basis=def2-svp fit=J $end'
    echo '$molecule'
    echo ' cartesian'
    sed -n 's/^MOL> *\([0-9]\+ .*\)/ \1/p' "$1"
    echo '$end'
    printf '$dft functional=pbe $end\n$scf fitxc=0 $end\n$grid accuracy=1e-10 $end\n'; } > "$work/freq.inp"
  run_ok "$work/freq.inp" "$work/freq.out" "$2: Hessian"
  sed -n 's/^ freq\. //p' "$work/freq.out" | tr -s ' ' '\n' | paste -sd' ' |
    awk -v f="$ts_frequency" '{ for (k = 1; k <= NF; ++k) if ($k == "i") { ++n; v = $(k - 1) } }
      END { d = v - f; exit !(n == 1 && d * d <= 4) }' || fail "$2: not one imaginary frequency near $ts_frequency"
}
