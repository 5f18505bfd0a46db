// Time of the optimizer's own work per step (internal coordinates, default options) for a
// molecule from an xyz file, on a cheap pair surface standing in for the energy: the whole
// step, and its parts timed alone at the start geometry (coordinate generation, B matrix
// with the metric inverse, independent variables, back-transformation of a small step,
// Hessian transport). Compare the step with the time of one DFT gradient of the same
// molecule (bench/optimizer_step_bench.sh does both).
// Usage: bench_optimizer_step FILE.xyz [STEPS]
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/internal_frame.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/internal_variables.hpp"
#include "geometry/model_hessian.hpp"
#include "geometry/optimize_internal.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

using namespace ostrel;

namespace {

// Processor time of this process: the machine may be shared, so wall time would mislead.
double cpu_now() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + 1e-9 * t.tv_nsec;
}
double seconds_since(double t) { return cpu_now() - t; }

// Harmonic pulls between atoms closer than 5 bohr towards 1.02 times their start distance.
struct PairSurface {
  std::vector<int> a, b;
  std::vector<double> r0;
  double energy(const double* x, double* g) const {
    double e = 0.0;
    for (std::size_t k = 0; k < a.size(); ++k) vec_set(3, 0.0, g + 3 * a[k]), vec_set(3, 0.0, g + 3 * b[k]);
    for (std::size_t k = 0; k < a.size(); ++k) {
      const double r = atom_distance(x, a[k], b[k]), d = r - r0[k];
      e += 0.1 * d * d;
      for (int c = 0; c < 3; ++c) {
        const double u = (x[3 * a[k] + c] - x[3 * b[k] + c]) / r;
        g[3 * a[k] + c] += 0.2 * d * u;
        g[3 * b[k] + c] -= 0.2 * d * u;
      }
    }
    return e;
  }
};

// Runs `body` with the standard output sent to /dev/null (the optimizer's report).
template <class Body>
void quietly(Body body) {
  std::fflush(stdout);
  const int saved = dup(1);
  std::FILE* null = std::fopen("/dev/null", "w");
  dup2(fileno(null), 1);
  body();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  std::fclose(null);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE.xyz [STEPS]\n", argv[0]);
    return 1;
  }
  const int steps = argc > 2 ? std::atoi(argv[2]) : 5;
  std::ifstream in(argv[1]);
  int n = 0;
  std::string line;
  in >> n;
  std::getline(in, line);
  std::getline(in, line);
  const char* symbols[] = {"", "H", "He", "Li", "Be", "B", "C", "N", "O", "F"};
  std::ostringstream text;
  text << "$molecule\n cartesian\n";
  for (int a = 0; a < n; ++a) {
    std::string s;
    double x, y, z;
    in >> s >> x >> y >> z;
    int zn = 0;
    for (int k = 1; k < 10; ++k)
      if (s == symbols[k]) zn = k;
    text << " " << zn << " " << x << " " << y << " " << z << "\n";
  }
  text << "$end\n$optimize steps=" << steps + 2 << " tolerance=1e-12 $end\n";
  std::FILE* input = std::tmpfile();
  std::fputs(text.str().c_str(), input);
  std::rewind(input);
  stdin = input;

  pool_init(std::int64_t{512} << 20);
  store_open("", -512);
  quietly([&] {
    read_molecule("Molecule", "", "molecule", 1, 0);
    store_put_text("task", "OPTIMIZE", 64);
    record_put(rec::grid, 0);
    record_put(rec::haveE, ResultsGiven{0, 0, 0});
    read_optimize_options();
  });
  Molecule mol = load_molecule(0, "Molecule");
  const int m = 3 * n;
  PairSurface surface;
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < a; ++b)
      if (atom_distance(mol.xyz, a, b) < 5.0) {
        surface.a.push_back(a);
        surface.b.push_back(b);
        surface.r0.push_back(1.02 * atom_distance(mol.xyz, a, b));
      }

  // The parts alone at the start geometry (medians would need repeats; these are single runs).
  double t_generate = 0, t_frame = 0, t_variables = 0, t_back = 0, t_transport = 0;
  quietly([&] {
    PoolArray<InternalCoordinate> set(std::int64_t{COORDINATES_PER_ATOM} * n);
    PoolArray<int> fix(1);
    auto t = cpu_now();
    const int count = build_coordinate_set(n, mol.z, mol.xyz, 0, nullptr, 0, nullptr, set.data(), fix.data());
    t_generate = seconds_since(t);
    PoolArray<double> w(count), v(std::int64_t{m} * m), h(packed_size(m)), gq(count), x(m), target(count);
    const double wr[3] = {1.0, 0.5, 0.125};
    coordinate_weights(count, set.data(), wr, 0, fix.data(), w.data());
    t = cpu_now();
    InternalFrame f(n, count, set.data(), w.data(), mol.xyz);
    t_frame = seconds_since(t);
    t = cpu_now();
    independent_variables(f, 0, fix.data(), v.data());
    t_variables = seconds_since(t);
    for (int k = 0; k < count; ++k) target[k] = f.values()[k] + 0.02 * std::cos(1.0 + k);
    vec_copy(m, mol.xyz, x.data());
    t = cpu_now();
    back_transform(n, count, set.data(), w.data(), target.data(), x.data(), 0);
    t_back = seconds_since(t);
    build_model_hessian(count, set.data(), f.b(), mol.z, mol.xyz, n, h.data());
    for (int k = 0; k < count; ++k) gq[k] = 1e-3 * std::sin(1.0 + k);
    InternalFrame to(n, count, set.data(), w.data(), x.data());
    t = cpu_now();
    transport_hessian(f, to, gq.data(), gq.data(), h.data());
    t_transport = seconds_since(t);
  });

  // Whole steps of the task loop on the pair surface.
  std::vector<double> step_time;
  std::vector<double> g(m);
  quietly([&] {
    record_put(rec::Opt_step, -1);
    for (int k = 0; k <= steps; ++k) {
      const auto t = cpu_now();
      optimize_step_internal();
      step_time.push_back(seconds_since(t));
      if (record_get(rec::Opt_exits)) break;
      Molecule now = load_molecule(0, "Molecule");
      record_put(rec::Energy, surface.energy(now.xyz, g.data()));
      record_write(rec::Gradient, g.data(), m);
      release_molecule(now);
    }
  });
  double total = 0.0;
  for (std::size_t k = 1; k < step_time.size(); ++k) total += step_time[k];
  const int taken = static_cast<int>(step_time.size()) - 1;
  std::printf("%s: %d atoms, %d cartesian coordinates (processor seconds)\n", argv[1], n, m);
  std::printf("  coordinate generation        %8.4f s\n", t_generate);
  std::printf("  B matrix and metric inverse  %8.4f s\n", t_frame);
  std::printf("  independent variables        %8.4f s\n", t_variables);
  std::printf("  back-transformation          %8.4f s\n", t_back);
  std::printf("  Hessian transport            %8.4f s\n", t_transport);
  std::printf("  initial call (model Hessian) %8.4f s\n", step_time.empty() ? 0.0 : step_time[0]);
  std::printf("  whole step, mean of %d       %8.4f s\n", taken, taken > 0 ? total / taken : 0.0);
  release_molecule(mol);
  store_close();
  return 0;
}
