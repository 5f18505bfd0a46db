// One fitted Coulomb build (gamma, fit and J steps) over the store records for a molecule
// from an xyz file with def2-SVP and def2-universal-jfit, for a given packed total density.
//   [mpirun -np N] bench_coulomb_fit GEOMETRY.xyz DENSITY.bin [REPEATS]
// DENSITY.bin: lower triangle row by row, little-endian doubles (coulomb_fit_bench.py).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "integrals/fit_driver.hpp"
#include "model/basis_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

using namespace ostrel;

namespace {

// Same conversion as the comparison program, so both see the same nuclei.
constexpr double kBohr = 0.52917721067;

int atomic_number(const char* symbol) {
  static const char* const kSymbols[] = {"H", "He", "Li", "Be", "B", "C", "N", "O", "F", "Ne"};
  for (int z = 0; z < 10; ++z)
    if (std::strcmp(symbol, kSymbols[z]) == 0) return z + 1;
  std::fprintf(stderr, "element %s not in the benchmark table\n", symbol);
  std::exit(1);
}

// "$molecule" input text in bohr from an xyz file.
std::string molecule_group(const char* xyz) {
  std::FILE* f = std::fopen(xyz, "r");
  if (!f) {
    std::perror(xyz);
    std::exit(1);
  }
  int natom = 0;
  char line[256];
  if (std::fscanf(f, "%d\n", &natom) != 1 || !std::fgets(line, sizeof line, f)) std::exit(1);
  std::string text = "$molecule units=b cartesian\n";
  for (int a = 0; a < natom; ++a) {
    char symbol[8];
    double x, y, z;
    if (std::fscanf(f, "%7s %lf %lf %lf", symbol, &x, &y, &z) != 4) std::exit(1);
    std::snprintf(line, sizeof line, " %d %.17g %.17g %.17g\n", atomic_number(symbol), x / kBohr, y / kBohr,
                  z / kBohr);
    text += line;
  }
  std::fclose(f);
  return text + "$end\n";
}

double wall() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
double cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  mp_start(&argc, &argv);
  if (argc < 3) {
    if (is_master) std::fprintf(stderr, "usage: bench_coulomb_fit GEOMETRY.xyz DENSITY.bin [REPEATS]\n");
    mp_finish();
    return 1;
  }
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
  pool_init(std::int64_t{1} << 30);
  store_open("", -64);
  long n2 = 0;
  if (is_master) {
    const std::string input = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                              "/coulomb_fit_bench." + std::to_string(static_cast<long>(wall() * 1e3)) + ".inp";
    std::FILE* f = std::fopen(input.c_str(), "w");
    std::fputs(molecule_group(argv[1]).c_str(), f);
    std::fclose(f);
    read_molecule("Molecule", input.c_str(), "molecule", 1, 0);
    std::remove(input.c_str());
    const std::string lib = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";
    read_basis(lib.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    read_basis(lib.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, 1);
    const long n = store_get<int>("Nbasis");
    n2 = n * (n + 1) / 2;
    std::vector<double> d(n2);
    std::FILE* df = std::fopen(argv[2], "rb");
    if (!df || std::fread(d.data(), sizeof(double), n2, df) != static_cast<size_t>(n2) || std::fgetc(df) != EOF) {
      std::fprintf(stderr, "%s: expected %ld packed doubles\n", argv[2], n2);
      std::exit(1);
    }
    std::fclose(df);
    for (double& x : d) x *= 0.5;  // closed shell: the alpha density
    store_alloc("Da", n2 * static_cast<long>(sizeof(double)));
    store_write("Da", 0, d.data(), n2 * static_cast<long>(sizeof(double)));
    std::printf("%ld functions, %d fitting functions, %d nodes\n", n, store_get<int>("Nfit"), node_count);
  }

  barrier();
  double t0 = wall(), c0 = cpu();
  fit_metric_step(1e-10);
  barrier();
  double t1 = wall(), c1 = cpu();
  fit_setup_step(1e-10, false);
  barrier();
  const double t2 = wall(), c2 = cpu();
  if (is_master)
    std::printf("set-up: V step %.3f s (cpu %.3f), pair set-up %.3f s (cpu %.3f)\n", t1 - t0, c1 - c0, t2 - t1,
                c2 - c1);

  const char* densities[] = {"Da"};
  const char* total[] = {"d"};
  const char* matrix[] = {"J"};
  std::vector<double> gamma_t, fit_t, j_t, all_t, all_c;
  double energy = 0.0;
  for (int r = 0; r < repeats; ++r) {
    barrier();
    t0 = wall();
    c0 = cpu();
    fit_projection_step(Interaction::coulomb, 1e-10, 1, densities, "ri.gamma");
    barrier();
    t1 = wall();
    energy = fit_density_step(1, "ri.gamma");
    barrier();
    const double t3 = wall();
    fit_assembly_step(1e-10, 1, total, matrix, false);
    barrier();
    const double t4 = wall();
    gamma_t.push_back(t1 - t0);
    fit_t.push_back(t3 - t1);
    j_t.push_back(t4 - t3);
    all_t.push_back(t4 - t0);
    all_c.push_back(cpu() - c0);
    if (is_master) std::printf("J build %d: %.3f s (cpu %.3f)\n", r + 1, t4 - t0, cpu() - c0);
  }
  if (is_master) {
    // 1/2 tr(D J) of the assembled matrix, D = 2 Da, as a check on the energy of the fit step
    const long n = store_get<int>("Nbasis");
    std::vector<double> da(n2), j(n2);
    store_read("Da", 0, da.data(), n2 * static_cast<long>(sizeof(double)));
    store_read("J", 0, j.data(), n2 * static_cast<long>(sizeof(double)));
    double e = 0.0;
    for (long i = 0, k = 0; i < n; ++i)
      for (long c = 0; c <= i; ++c, ++k) e += (i == c ? 1.0 : 2.0) * da[k] * j[k];
    std::printf("ostrel energy 1/2 t.d = %.12f, 1/2 tr(D J) = %.12f\n", energy, e);
    std::printf("ostrel median gamma %.3f s fit %.3f s J %.3f s total %.3f s (cpu %.3f) nodes=%d\n",
                median(gamma_t), median(fit_t), median(j_t), median(all_t), median(all_c), node_count);
  }
  store_close();
  mp_finish();
  return 0;
}
