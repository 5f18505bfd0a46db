#!/usr/bin/env bash
# The relaxed scan of the H-O-O-H torsion of hydrogen peroxide (examples/h2o2_scan.inp,
# PBE/def2-SVP, 60 to 180 degrees in 7 points): every point holds its torsion to 1e-6 degrees
# and has the energy of a separate constrained optimisation at that value (1e-6 hartree).
# About 130 gradients.
# Arguments: the ostrel binary, then the MPI launcher (may be empty).
source "$(dirname "$0")/../common.bash"
export TMPDIR=$work

run_ok examples/h2o2_scan.inp "$work/scan.out" "SCAN"
# "torsion E" per listed point: atoms 3-1-2-4 of each SCAN> structure (angstrom).
sed -n '/Scan Structures:/,$p' "$work/scan.out" |
  awk '/^SCAN> n=/ { split($0, f, "E="); e = f[2] + 0; n = 0 }
       /^SCAN> +[0-9]+ / { ++n; x[n] = $3; y[n] = $4; z[n] = $5 }
       /^SCAN>\$end/ && n == 4 {
         # dihedral 3-1-2-4
         b1x = x[1]-x[3]; b1y = y[1]-y[3]; b1z = z[1]-z[3]
         b2x = x[2]-x[1]; b2y = y[2]-y[1]; b2z = z[2]-z[1]
         b3x = x[4]-x[2]; b3y = y[4]-y[2]; b3z = z[4]-z[2]
         n1x = b1y*b2z-b1z*b2y; n1y = b1z*b2x-b1x*b2z; n1z = b1x*b2y-b1y*b2x
         n2x = b2y*b3z-b2z*b3y; n2y = b2z*b3x-b2x*b3z; n2z = b2x*b3y-b2y*b3x
         l2 = sqrt(b2x*b2x+b2y*b2y+b2z*b2z)
         mx = n1y*b2z-n1z*b2y; my = n1z*b2x-n1x*b2z; mz = n1x*b2y-n1y*b2x
         c = n1x*n2x+n1y*n2y+n1z*n2z; s = (mx*n2x+my*n2y+mz*n2z) / l2
         t = atan2(s, c) * 57.29577951308232; if (t < 0) t = -t
         printf "%.8f %.10f\n", t, e; n = 0 }' > "$work/points"
[ "$(wc -l < "$work/points")" = 7 ] || fail "SCAN: not 7 listed points"
k=0
while read -r torsion energy; do
  value=$((60 + 20 * k))
  close_to "$torsion" "$value" 1e-6 || fail "SCAN point $k: torsion $torsion, target $value"
  sed "s/task=scan/task=optimize/; s/value=60,180 points=7/value=$value/" examples/h2o2_scan.inp > "$work/opt$k.inp"
  run_ok "$work/opt$k.inp" "$work/opt$k.out" "constrained optimisation at $value"
  close_to "$(sed -n 's/^MOL> Energy = *//p' "$work/opt$k.out")" "$energy" 1e-6 ||
    fail "SCAN point $k: $energy, the constrained optimisation at $value gives $(sed -n 's/^MOL> Energy = *//p' "$work/opt$k.out")"
  k=$((k + 1))
done < "$work/points"

finish
