// One fitted-density and one orbital-density exchange-correlation pass (PBE) for a molecule
// from an xyz file with def2-SVP / def2-universal-jfit on the default final grid, built
// adaptively from a superposition of model free-atom densities.
//   [mpirun -np N] bench_xc_pass GEOMETRY.xyz DENSITY.bin [REPEATS]
// DENSITY.bin: total density, lower triangle row by row, little-endian doubles
// (xc_pass_bench.py writes the core-Hamiltonian guess density).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numbers>
#include <string>
#include <vector>

#include "model/basis_input.hpp"
#include "model/basis_record.hpp"
#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/grid/grid_options.hpp"
#include "scf/grid/grid_passes.hpp"
#include "scf/xc/xc_functional.hpp"
#include "scf/numint/xc_passes.hpp"

using namespace ostrel;

namespace {

constexpr double kBohr = 0.52917721067;

int atomic_number(const char* symbol) {
  static const char* const kSymbols[] = {"H", "He", "Li", "Be", "B", "C", "N", "O", "F", "Ne"};
  for (int z = 0; z < 10; ++z)
    if (std::strcmp(symbol, kSymbols[z]) == 0) return z + 1;
  std::fprintf(stderr, "element %s not in the benchmark table\n", symbol);
  std::exit(1);
}

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
    std::snprintf(line, sizeof line, " %d %.17g %.17g %.17g\n", atomic_number(symbol), x / kBohr,
                  y / kBohr, z / kBohr);
    text += line;
  }
  std::fclose(f);
  return text + "$end\n";
}

void put(const char* name, const std::vector<double>& v) {
  const std::int64_t bytes = 8 * static_cast<std::int64_t>(v.size());
  if (!store_exists(name)) store_alloc(name, bytes);
  store_write(name, 0, v.data(), bytes);
}

// Positive s-only densities over the fitting functions, each atom holding its charge.
void model_densities() {
  Molecule mol = load_molecule(0, "Molecule");
  Basis fit = load_basis(0, "Basis2", mol);
  std::vector<double> d(fit.n_functions, 0.0);
  for (int a = 0; a < mol.n_atoms; ++a) {
    double total = 0.0;
    for (int i = fit.atom_first_shell[a]; i < fit.atom_first_shell[a + 1]; ++i)
      if (fit.shells[i].l == 0) total += 1.0 / std::sqrt(fit.shells[i].exponent[0]);
    for (int i = fit.atom_first_shell[a]; i < fit.atom_first_shell[a + 1]; ++i) {
      const ShellSlot& s = fit.shells[i];
      if (s.l != 0) continue;
      double q = 0.0;
      for (int p = 0; p < s.n_primitives; ++p) q += s.coef[0][p] * std::pow(std::numbers::pi / s.exponent[p], 1.5);
      d[fit.shell_first_function[i]] = mol.z[a] / (total * std::sqrt(s.exponent[0])) / q;
    }
  }
  release_basis(fit);
  release_molecule(mol);
  put("atomic_d", d);
  for (double& x : d) x *= 0.5;
  put("da", d);
  put("db", d);
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
    if (is_master) std::fprintf(stderr, "usage: bench_xc_pass GEOMETRY.xyz DENSITY.bin [REPEATS]\n");
    mp_finish();
    return 1;
  }
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
  pool_init(std::int64_t{1} << 30);
  store_open("", -1024);
  long n2 = 0;
  if (is_master) {
    const std::string input = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                              "/xc_pass_bench." + std::to_string(static_cast<long>(wall() * 1e3)) + ".inp";
    std::FILE* f = std::fopen(input.c_str(), "w");
    std::fputs(molecule_group(argv[1]).c_str(), f);
    std::fputs("$grid $end\n", f);
    std::fclose(f);
    read_molecule("Molecule", input.c_str(), "molecule", 1, 0);
    const std::string lib = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";
    read_basis(lib.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    read_basis(lib.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, 1);
    std::FILE* g = std::fopen(input.c_str(), "r");
    grid_setup_options(g);
    std::fclose(g);
    std::remove(input.c_str());
    const double p[32] = {};
    const std::int32_t n[5] = {};
    XcFunctional func = xc_cleared(p, n);
    xc_lookup("PBE", func);
    xc_store_write(func);
    store_put("closed", 1);
    model_densities();
    const long nbf = store_get<int>("Nbasis");
    n2 = nbf * (nbf + 1) / 2;
    std::vector<double> d(n2);
    std::FILE* df = std::fopen(argv[2], "rb");
    if (!df || std::fread(d.data(), sizeof(double), n2, df) != static_cast<size_t>(n2) || std::fgetc(df) != EOF) {
      std::fprintf(stderr, "%s: expected %ld packed doubles\n", argv[2], n2);
      std::exit(1);
    }
    std::fclose(df);
    for (double& x : d) x *= 0.5;  // the alpha density of a closed shell
    put("Da", d);
    put("Db", d);
    put("Fa", std::vector<double>(n2, 0.0));
    put("Fb", std::vector<double>(n2, 0.0));
    std::printf("%ld functions, %d fitting functions, %d nodes\n", nbf, store_get<int>("Nfit"), node_count);
  }
  {
    Molecule mol = load_molecule(1, "Molecule");
    Basis fit = load_basis(1, "Basis2", mol);
    BasisShells view = basis_shells(fit);
    barrier();
    const double t0 = wall();
    grid_build(view.set);
    barrier();
    const double t1 = wall();
    grid_weights(view.set);
    barrier();
    const double t2 = wall();
    if (is_master) std::printf("grid build %.3f s, weights %.3f s\n", t1 - t0, t2 - t1);
    release_basis_shells(view);
    release_basis(fit);
    release_molecule(mol);
  }
  int points = 0;
  if (is_master) points = store_get<int>("Ngrid");
  mp_bcast(&points, 1, MP_INT);

  std::vector<double> fitted_t, fitted_c, orbital_t, orbital_c;
  for (int r = 0; r < repeats; ++r) {
    barrier();
    double t0 = wall(), c0 = cpu();
    xc_fitted_pass();
    barrier();
    double t1 = wall(), c1 = cpu();
    xc_orbital_pass();
    barrier();
    double t2 = wall();
    fitted_t.push_back(t1 - t0);
    fitted_c.push_back(c1 - c0);
    orbital_t.push_back(t2 - t1);
    orbital_c.push_back(cpu() - c1);
    if (is_master) {
      std::printf("pass %d: fitted %.3f s (cpu %.3f), orbital %.3f s (cpu %.3f), Ex %.10f Ec %.10f\n", r + 1,
                  t1 - t0, c1 - c0, t2 - t1, orbital_c.back(), store_get<double>("Ex"), store_get<double>("Ec"));
    }
  }
  if (is_master) {
    // The machine is shared: per-point figures use process cpu time.
    const double f = median(fitted_c), o = median(orbital_c);
    std::printf("ostrel grid %d points: fitted %.3f s (cpu %.3f, %.3f us/point), orbital %.3f s (cpu %.3f, %.3f us/point) nodes=%d\n",
                points, median(fitted_t), f, 1e6 * f / points, median(orbital_t), o, 1e6 * o / points, node_count);
  }
  store_close();
  mp_finish();
  return 0;
}
