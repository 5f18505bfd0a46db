#!/bin/sh
# Wall time of a whole HESSIAN run (central differences of analytic gradients, step 0.005
# bohr) for water, glycine and benzene: Ostrel with RI-J (def2-universal-jfit), exchange-correlation
# from the orbitals on its default grid, SCF converged to 1e-8; and, when Psi4 is installed,
# Psi4's frequency run by finite differences of analytic gradients (psi4.frequency with
# dertype=1, 3-point, disp_size 0.005) with the same model (def2-universal-jfit is Psi4's
# def2-svp-jfit) on its default grid, one thread.
# Prints each run's wall and CPU time (the CPU time tells more on a shared machine) and
# Ostrel's average SCF iterations per displaced point.
# Usage: bench/hessian_bench.sh BUILD_DIR [REPEAT] [molecule ...]   (water, glycine, benzene)
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
repeat=${2:-2}
shift 2 2>/dev/null || shift $#
mols=${*:-"water glycine"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
cat > "$work/water.xyz" <<'EOF'
3
water at its PBE/def2-SVP minimum
O 0.000000000 0.000000000 0.068607868
H 0.000000000 0.757692946 -0.544428330
H 0.000000000 -0.757692946 -0.544428330
EOF
cp "$here/glycine.xyz" "$here/benzene.xyz" "$work/"

for mol in $mols; do
  awk 'BEGIN { z["H"] = 1; z["C"] = 6; z["N"] = 7; z["O"] = 8 }
       NR == 1 { n = $1
                 print "$control task=hessian theory=dft basis=def2-svp fit=J derivative=numeric $end"
                 print "$d2edr2 length=0.005 $end\n$molecule\n cartesian" }
       NR > 2 && NR <= n + 2 { printf " %d %s %s %s\n", z[$1], $2, $3, $4 }
       END { print "$end\n$dft functional=pbe $end\n$scf fitxc=0 convergence=1e-8 procedure=nr $end" }' \
    "$work/$mol.xyz" > "$work/$mol.inp"
  for i in $(seq "$repeat"); do
    t0=$(date +%s.%N)
    (cd "$work" && "$build/ostrel" "$mol.inp" > "$mol.out") || true
    t1=$(date +%s.%N)
    # Iteration lines of every SCF after the reference point's.
    its=$(awk '/^ SCF Equations:/ { k++ } /^ *[0-9]+ +-[0-9]+\.[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9] / && k > 1 { n++ }
               END { if (k > 1) printf "%.2f", n / (k - 1) }' "$work/$mol.out")
    points=$(grep -c "^ Step .* for coordinate" "$work/$mol.out" || true)
    cpu=$(sed -n 's/^ CPU  time = *\([0-9.]*\) sec.*/\1/p' "$work/$mol.out" | tail -1)
    printf "ostrel %s hessian run %d: wall %.1f s, cpu %s s, %s displaced points, %s SCF iterations per point\n" \
      "$mol" "$i" "$(echo "$t1 - $t0" | bc)" "$cpu" "$points" "$its"
  done
  if [ -d /usr/lib/x86_64-linux-gnu/psi4 ]; then
    OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 MKL_NUM_THREADS=1 \
      PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 - "$work/$mol.xyz" "$mol" "$repeat" <<'PY'
import sys, time, psi4
psi4.core.set_output_file("/dev/null", False)
psi4.set_num_threads(1)
psi4.set_memory("2 GB")
lines = open(sys.argv[1]).read().split("\n")
n = int(lines[0])
geo = "units angstrom\nsymmetry c1\nno_reorient\nno_com\n" + "\n".join(lines[2:2 + n])
for run in range(int(sys.argv[3])):
    psi4.core.clean()
    mol = psi4.geometry(geo)
    psi4.set_options({"basis": "def2-svp", "scf_type": "df", "df_basis_scf": "def2-svp-jfit",
                      "puream": True, "d_convergence": 1e-8, "points": 3, "disp_size": 0.005})
    t, c = time.perf_counter(), time.process_time()
    psi4.frequency("pbe", dertype=1, molecule=mol)
    print("psi4   %s frequency run %d: wall %.1f s, cpu %.1f s" % (sys.argv[2], run + 1, time.perf_counter() - t,
                                                             time.process_time() - c), flush=True)
PY
  fi
done
