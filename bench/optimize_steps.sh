#!/bin/sh
# Optimizer step counts and run times beside Psi4 (optking): each molecule of
# bench/optimize_starts is optimised by Ostrel (internal coordinates, default options) and,
# when Psi4 is installed, by Psi4 at the same time (side by side, one thread each), from
# the same start with the same model: RKS PBE/def2-SVP, Coulomb fitted (RI-J), XC on the
# orbital density, each program's default grid. Both stop on the same two criteria: largest
# internal gradient below 1e-4 and largest internal step below 1e-2 (Ostrel's defaults;
# Psi4 max_force_g_convergence and max_disp_g_convergence; optking also keeps its energy
# change test, 1e-6, which Ostrel does not have).
# Gradients counts every energy+gradient evaluation, the start included. Times: wall
# seconds and the ratio Ostrel/Psi4 of wall and of processor seconds (the fairer one on a
# shared machine).
# Usage: bench/optimize_steps.sh BUILD_DIR [molecule ...]
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
shift 2>/dev/null || true
mols=${*:-"water ammonia hcn ethane ethanol acetone glycine benzene cyclohexane hexane"}
work=${OPT_BENCH_WORK:-$(mktemp -d)}
mkdir -p "$work"
export OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 MKL_NUM_THREADS=1
psi4=0
[ -d /usr/lib/x86_64-linux-gnu/psi4 ] && psi4=1
printf "%-12s %6s %6s %16s %16s %8s %8s %6s %7s %7s %6s\n" molecule ostrel psi4 "E ostrel" "E psi4" \
  "wall o" "wall p" ratio "cpu o" "cpu p" ratio
for mol in $mols; do
  xyz=$here/optimize_starts/$mol.xyz
  /usr/bin/python3 "$here/xyz_input.py" "$xyz" optimize '$optimize tolerance=1e-4,1e-2 steps=100 $end' > "$work/$mol.inp"
  if [ $psi4 = 1 ]; then
    (cd "$work" && PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 "$here/../tools/optimize_psi4_steps.py" \
       run "$xyz" 1e-4 1e-2 > "$mol.psi4" 2> "$mol.psi4.err") &
    pid=$!
  fi
  t0=$(date +%s.%N)
  (cd "$work" && "$build/ostrel" "$mol.inp" > "$mol.out") || true
  t1=$(date +%s.%N)
  [ $psi4 = 1 ] && wait $pid || true
  steps=$(sed -n 's/^ OPTIMIZATION CONVERGED in \([0-9]*\) steps!/\1/p' "$work/$mol.out")
  og=$([ -n "$steps" ] && echo $((steps + 1)) || echo "-")
  oe=$(sed -n 's/^MOL> Energy = *//p' "$work/$mol.out")
  ow=$(echo "$t1 - $t0" | bc)
  pg=$(sed -n 's/.*gradients=\([0-9]*\).*/\1/p' "$work/$mol.psi4" 2>/dev/null)
  pe=$(sed -n 's/.*energy=\([-0-9.]*\).*/\1/p' "$work/$mol.psi4" 2>/dev/null)
  pw=$(sed -n 's/.*wall=\([0-9.]*\).*/\1/p' "$work/$mol.psi4" 2>/dev/null)
  pc=$(sed -n 's/.*cpu=\([0-9.]*\).*/\1/p' "$work/$mol.psi4" 2>/dev/null)
  oc=$(sed -n 's/^ CPU  time = *\([0-9.]*\) sec.*/\1/p' "$work/$mol.out" | tail -1)
  ratio=$([ -n "$pw" ] && echo "scale=2; $ow / $pw" | bc || echo "-")
  cratio=$([ -n "$pc" ] && [ -n "$oc" ] && echo "scale=2; $oc / $pc" | bc || echo "-")
  printf "%-12s %6s %6s %16s %16s %8.1f %8s %6s %7s %7s %6s\n" "$mol" "$og" "${pg:--}" "${oe:--}" "${pe:--}" \
    "$ow" "${pw:--}" "$ratio" "${oc:--}" "${pc:--}" "$cratio"
done
echo "(reports in $work)"
