#pragma once
// A small molecule with def2-SVP and the universal Coulomb-fitting set, set up as task
// control and the SCF set-up leave it, with helpers for the SCF tests.
#include <functional>

#include "input/common_setup.hpp"
#include "input/control_options.hpp"
#include "input/element_table.hpp"
#include "integrals/fit_driver.hpp"
#include "scf/guess/guess_driver.hpp"
#include "scf/procedure/scf_canonicalize.hpp"
#include "scf/procedure/scf_density.hpp"
#include "scf/procedure/scf_fock_energy.hpp"
#include "scf/procedure/scf_gradient.hpp"
#include "scf/procedure/scf_hessian_setup.hpp"
#include "scf/procedure/scf_newton_step.hpp"
#include "scf/procedure/scf_one_electron.hpp"
#include "scf/procedure/scf_options.hpp"
#include "scf/procedure/scf_orthonormalize.hpp"
#include "scf/procedure/scf_rotate.hpp"
#include "scf/procedure/scf_run.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"

namespace ostrel::testing {

// What `body` prints; a fatal stop fails the test and ends the body.
inline std::string run_captured(const std::function<void()>& body) {
  ::testing::internal::CaptureStdout();
  FatalTrap trap;
  try {
    body();
  } catch (const FatalStop& stop) {
    const std::string out = ::testing::internal::GetCapturedStdout();
    ADD_FAILURE() << stop.what() << "\n" << out;
    return out;
  }
  return ::testing::internal::GetCapturedStdout();
}

class ScfSystem : public RuntimeTest {
 protected:
  // Water (or its cation with charge 1) in def2-SVP, fitting set def2-universal-jfit with
  // the fit code `fit`, SCF groups `groups`, theory `theory`.
  void prepare(const std::string& groups, int charge = 0, int fit = 'J', const char* theory = "DFT",
               const char* geometry = nullptr) {
    store_put_text("theory", theory, 64);
    store_put("four", 0);
    store_put("fit", fit);
    char mol[400];
    std::snprintf(mol, sizeof mol, "$molecule charge=%d mult=%d cartesian\n set=def2-SVP\n%s$end\n", charge,
                  charge % 2 ? 2 : 1,
                  geometry ? geometry : kWaterAtoms);
    read_test_model(mol, fit == 'V' ? FitSet::coulomb : FitSet::overlap);
    ::testing::internal::CaptureStdout();
    store_put("Nbasis1", 0);
    testing::put_reals("field", {0.0, 0.0, 0.0});
    build_element_table("Atoms", InputFile("").get());
    scf_setup_options(InputFile(groups).get());
    ::testing::internal::GetCapturedStdout();
    n = store_get<int>("Nbasis");
    na = store_get<int>("Na");
    nb = store_get<int>("Nb");
  }

  // Hartree-only model: no grid.
  void no_grid() {
    store_put("grid", 0);
    store_put("grid_adapt", 0);
    store_put("grid_new", 0);
  }

  // The Hartree-only model of prepare() with the core guess.
  void prepare_core(const std::string& groups, int charge = 0, int fit = 'J') {
    prepare(groups, charge, fit);
    no_grid();
    core_guess();
  }

  // The records of iteration 0 from the core guess without a grid: orbitals, density, Fock
  // matrices, canonical orbitals (`canon`) or Fock blocks, the Hessian set-up and the gradient.
  void iteration_zero(const std::string& groups, int charge, int fit, int canon) {
    prepare_core(groups, charge, fit);
    fit_setup_step(1e-10, false);
    store_put("scf_iter", 0);
    store_put("grid_fine", 1);
    for (const char* name : {"ea", "eb"}) store_alloc(name, 8 * n);
    run([] {
      scf_orthonormalize();
      scf_density();
      scf_fock_energy();
    });
    store_put("scf_diag", canon, 4);
    run(scf_canonicalize);
    run([] { scf_hessian_setup(2); });
    run(scf_gradient);
  }

  // Start orbitals: eigenvectors of H0 in the overlap metric.
  void core_guess() {
    testing::captured_stdout([&] { scf_one_electron_setup(); });
    const std::vector<double> c = roothaan(n, get_reals("H0"), get_reals("S"));
    put_reals("Ca", c);
    put_reals("Cb", c);
  }

  std::string run(const std::function<void()>& body) { return run_captured(body); }

  int n = 0, na = 0, nb = 0;
};

// The exact (four-centre) Coulomb energy of the stored density "D".
inline double exact_coulomb_energy() {
  double e = 0.0;
  captured_stdout([&] { e = exact_coulomb_step(1e-10, "D", "scf.Jx", false); });
  store_free("scf.Jx");
  return e;
}

// A whole request in one process: control step and common set-up from `input` for `task`,
// then the initial guess and the SCF; returns what they print.
inline std::string run_input(const std::string& input, const char* task = "ENERGY") {
  return run_captured([&] {
    with_stdin(input, [&] {
      control_step(stdin);
      common_setup(task, stdin);
    });
    initial_guess();
    scf_run();
  });
}

// Orbitals `ca`, `cb` rotated by `x` (the layout of "scf_X") into "Ca", "Cb", with their
// density, Fock matrices and energy.
inline void rotate_orbitals(const std::vector<double>& ca, const std::vector<double>& cb,
                            const std::vector<double>& x) {
  put_reals("Ca", ca);
  put_reals("Cb", cb);
  put_reals("scf_X", x);
  scf_rotate();
  scf_density();
  scf_fock_energy();
}

// Largest difference between the Hessian image of a random unit direction and the central
// difference of the orbital gradient after plane rotations by +-h along it, and the largest
// difference itself (the scale). The quasi-Newton records and "Ca1", "Cb1", "F1Ca",
// "F1Cb" must exist; "Ca", "Cb" are restored afterwards.
struct HessianCheck { double worst; double scale; };
inline HessianCheck hessian_fd_check(unsigned seed, double h) {
  const int nrot = static_cast<int>(store_size("scf_G") / 8);
  const std::vector<double> ca = get_reals("Ca"), cb = get_reals("Cb");
  std::vector<double> b(nrot), sigma(nrot);
  unsigned state = seed;
  double len = 0.0;
  for (double& x : b) {
    state = state * 1664525u + 1013904223u;
    x = static_cast<double>(state) / 4294967296.0 - 0.5;
    len += x * x;
  }
  for (double& x : b) x /= std::sqrt(len);
  FatalTrap trap;
  ::testing::internal::CaptureStdout();
  scf_hessian_image(b.data(), sigma.data());
  std::vector<std::vector<double>> g(2);
  for (int side = 0; side < 2; ++side) {
    std::vector<double> x(nrot);
    for (int i = 0; i < nrot; ++i) x[i] = (side ? -h : h) * b[i];
    rotate_orbitals(ca, cb, x);
    scf_gradient();
    g[side] = get_reals("scf_G");
  }
  ::testing::internal::GetCapturedStdout();
  put_reals("Ca", ca);
  put_reals("Cb", cb);
  HessianCheck r{0.0, 0.0};
  for (int i = 0; i < nrot; ++i) {
    const double fd = (g[0][i] - g[1][i]) / (2 * h);
    r.worst = std::max(r.worst, std::fabs(fd - sigma[i]));
    r.scale = std::max(r.scale, std::fabs(fd));
  }
  return r;
}

// Lines of `out` that start like an iteration line of the SCF table.
inline int iteration_lines(const std::string& out) {
  const std::size_t at = out.find(" it.       energy");
  if (at == std::string::npos) return 0;
  int count = 0, it;
  double e, de, g, t;
  for (const std::string& line : lines_of(out.substr(at)))
    if (line.size() > 40 && std::sscanf(line.c_str(), "%d%lf%lf%lf%lf", &it, &e, &de, &g, &t) == 5) ++count;
  return count;
}

}  // namespace ostrel::testing
