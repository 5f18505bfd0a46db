#!/bin/sh
# PBE/def2-SVP energy (and with "gradient" the energy plus gradient) for benzene, glycine and
# n-decane: Ostrel's default model and, when Psi4 is installed, Psi4 with density-fitted
# Coulomb, its default grid and one thread, in the same run. Wall times, medians of REPEAT runs.
# Usage: bench/scf_bench.sh BUILD_DIR [energy|gradient] [REPEAT] [molecule ...]
# The full set: water benzene glycine caffeine trialanine decane icosane c40 (c40: 122 atoms).
# Per-iteration times are the median wall time over the energy iterations (Ostrel: the lines
# of the iteration table; its Newton steps print as sub-lines).
# Molecules: any bench/<name>.xyz (tools/bench_geometries.py writes caffeine, trialanine,
# icosane and c40). NP=2 runs Ostrel on two processes (the cpu figure is then mpirun's own).
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
task=${2:-energy}
repeat=${3:-3}
shift 3 2>/dev/null || shift $#
mols=${*:-"benzene glycine decane"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Psi4 on Debian links whatever libblas.so.3 the alternatives select; the reference BLAS makes
# it about three times slower (benzene 21.5 against 6.1 s CPU), so say when that one is active.
case $(readlink -f /usr/lib/x86_64-linux-gnu/libblas.so.3 2>/dev/null) in
  */blas/libblas.so.3*) echo "warning: Psi4 runs on the reference BLAS; install libopenblas0-serial for a fair comparison" ;;
esac
for mol in $mols; do
  python3 - "$here/$mol.xyz" "$task" > "$work/$mol.inp" <<'PY'
import sys
z = {'H': 1, 'C': 6, 'N': 7, 'O': 8, 'F': 9, 'S': 16, 'Cl': 17}
lines = open(sys.argv[1]).read().split("\n")
n = int(lines[0])
print("$control task=%s theory=dft basis=def2-svp $end" % sys.argv[2])
print("$molecule\n cartesian")
for l in lines[2:2 + n]:
    s, x, y, w = l.split()
    print(" %d %s %s %s" % (z[s], x, y, w))
print("$end\n$dft functional=pbe $end")
PY
  times=""
  cpus=""
  for i in $(seq "$repeat"); do
    t0=$(date +%s.%N)
    (cd "$work" && /usr/bin/time -f "%U %S" -o cpu.txt ${NP:+mpirun --allow-run-as-root --oversubscribe -np $NP} "$build/ostrel" "$mol.inp" > "$mol.out")
    t1=$(date +%s.%N)
    times="$times $(echo "$t1 - $t0" | bc)"
    cpus="$cpus $(awk '{print $1 + $2}' "$work/cpu.txt")"
  done
  its=$(grep -cE '^ *[0-9]+ +-[0-9]+\.[0-9]{10} ' "$work/$mol.out" || true)
  e=$(grep 'eng> E=' "$work/$mol.out" | tail -1)
  fc=$(grep ' F, ' "$work/$mol.out" | tail -1 | sed 's/^ *//')
  med=$(echo $times | tr ' ' '\n' | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  cmed=$(echo $cpus | tr ' ' '\n' | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  per=$(echo "scale=3; $med / $its" | bc)
  echo "ostrel $mol $task: median wall $med s, cpu $cmed s (runs:$times), $its iterations, $per s per iteration ($fc), $e"
  grep -E '^ time: (SCF Equations|Coulomb-type|Numerical Integration|Grid Construction|Density Fit|Diagonalization|Coulomb-type Gradient|Ex. - Corr.  Gradient|One-Electron Gradient|Overlap-type Gradient)' "$work/$mol.out" | awk '!seen[$0]++' | sed 's/^/   /' | head -12
  if [ -d /usr/lib/x86_64-linux-gnu/psi4 ]; then
    OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 MKL_NUM_THREADS=1 \
      PYTHONPATH=/usr/lib/x86_64-linux-gnu /usr/bin/python3 - "$here/$mol.xyz" "$task" "$repeat" <<'PY'
import sys, time, psi4
psi4.core.set_output_file("/dev/null", False)
psi4.set_num_threads(1)
psi4.set_memory("4 GB")
lines = open(sys.argv[1]).read().split("\n")
n = int(lines[0])
geo = "units angstrom\nsymmetry c1\nno_reorient\nno_com\n" + "\n".join(lines[2:2 + n])
times = []
cpus = []
for _ in range(int(sys.argv[3])):
    psi4.core.clean()
    mol = psi4.geometry(geo)
    psi4.set_options({"basis": "def2-svp", "scf_type": "df", "puream": True})
    t = time.perf_counter()
    c = time.process_time()
    if sys.argv[2] == "gradient":
        psi4.gradient("pbe")
    else:
        psi4.energy("pbe")
    times.append(time.perf_counter() - t)
    cpus.append(time.process_time() - c)
    its = psi4.variable("SCF ITERATIONS")
median = sorted(times)[len(times) // 2]
print("psi4   %s %s: median wall %.2f s, cpu %.2f s (runs: %s), %d iterations, %.3f s per iteration, E=%.10f" % (
    sys.argv[1].split("/")[-1][:-4], sys.argv[2], median, sorted(cpus)[len(cpus) // 2],
    " ".join("%.2f" % t for t in times), its, median / max(its, 1), psi4.variable("CURRENT ENERGY")))
PY
  fi
done
