#!/usr/bin/env bash
# Minima against Psi4 (optking gau_verytight), same model: RKS PBE/def2-SVP, RI-J with
# def2-universal-jfit, XC from the orbitals on a tight grid, gradient tolerance 1e-6.
# Ammonia from the shared reference set (geometry_vibrations_reference.json, its start
# structure) and hydrogen peroxide, whose torsion the internal engine has to turn
# (tools/optimize_psi4_reference.py). Bonds within 1e-4 angstrom, angles within 0.01 degree
# (the torsion 0.05), energies within 2e-6 hartree.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/../common.bash"
export TMPDIR=$work
cd "$work" || exit 1

# report, atoms (1-based) -> distance (angstrom), angle or torsion (degrees) of the
# converged structure
measure() {
  awk -v atoms="$2" '/^MOL> +[0-9]+ / { n++; x[n] = $3; y[n] = $4; z[n] = $5 }
    function d(a, b) { return sqrt((x[a]-x[b])^2 + (y[a]-y[b])^2 + (z[a]-z[b])^2) }
    END { k = split(atoms, s, ",")
          if (k == 2) { printf "%.10f", d(s[1], s[2]); exit }
          ux = x[s[1]]-x[s[2]]; uy = y[s[1]]-y[s[2]]; uz = z[s[1]]-z[s[2]]
          vx = x[s[3]]-x[s[2]]; vy = y[s[3]]-y[s[2]]; vz = z[s[3]]-z[s[2]]
          if (k == 3) { c = (ux*vx + uy*vy + uz*vz) / (d(s[1], s[2]) * d(s[3], s[2]))
                        printf "%.8f", atan2(sqrt(1 - c*c), c) * 57.29577951308232; exit }
          # torsion a-b-c-d: the normals of (b - a, c - b) and (c - b, d - c)
          wx = x[s[4]]-x[s[3]]; wy = y[s[4]]-y[s[3]]; wz = z[s[4]]-z[s[3]]
          n1x = uz*vy - uy*vz; n1y = ux*vz - uz*vx; n1z = uy*vx - ux*vy
          n2x = vy*wz - vz*wy; n2y = vz*wx - vx*wz; n2z = vx*wy - vy*wx
          mx = n1y*n2z - n1z*n2y; my = n1z*n2x - n1x*n2z; mz = n1x*n2y - n1y*n2x
          b = sqrt(vx*vx + vy*vy + vz*vz)
          printf "%.8f", atan2((mx*vx + my*vy + mz*vz) / b, n1x*n2x + n1y*n2y + n1z*n2z) * 57.29577951308232 }' "$1"
}
check() {  # report, atoms, reference, tolerance, label
  local v
  v=$(measure "$1" "$2")
  close_to "$v" "$3" "$4" || fail "$5 $v, reference $3"
}
input() {  # molecule lines -> optimisation input
  printf '$control task=optimize theory=dft basis=def2-svp fit=J $end\n$molecule\n cartesian\n%s\n$end\n' "$1"
  printf '$dft functional=pbe $end\n$scf fitxc=0 $end\n$grid accuracy=1e-10 $end\n$optimize tolerance=1e-6 $end\n'
}
converged_energy() { sed -n 's/^MOL> Energy = *//p' "$1"; }

input " 7  0.000000  0.000000  0.000000
 1  0.000000  0.937717 -0.381628
 1 -0.812087 -0.468859 -0.381628
 1  0.812087 -0.468859 -0.381628" > nh3.inp
run_ok nh3.inp nh3.out ammonia
close_to "$(converged_energy nh3.out)" -56.43328433391425 2e-6 || fail "ammonia energy $(converged_energy nh3.out)"
for b in 1,2 1,3 1,4; do check nh3.out $b 1.0308280 1e-4 "ammonia N-H $b"; done
for a in 2,1,3 2,1,4 3,1,4; do check nh3.out $a 104.027610 0.01 "ammonia H-N-H $a"; done

input " 8  0.000000  0.700000 -0.050000
 8  0.000000 -0.700000 -0.050000
 1  0.800000  0.900000  0.450000
 1 -0.600000 -0.950000  0.600000" > h2o2.inp
run_ok h2o2.inp h2o2.out "hydrogen peroxide"
close_to "$(converged_energy h2o2.out)" -151.2701062190 2e-6 || fail "peroxide energy $(converged_energy h2o2.out)"
check h2o2.out 1,2 1.4559555 1e-4 "peroxide O-O"
for b in 1,3 2,4; do check h2o2.out $b 0.9797107 1e-4 "peroxide O-H $b"; done
for a in 2,1,3 1,2,4; do check h2o2.out $a 99.659542 0.01 "peroxide O-O-H $a"; done
check h2o2.out 3,1,2,4 119.229081 0.05 "peroxide torsion"
finish
