#pragma once
// The Hessian step on a cheap analytic surface: the energy driver's Kohn-Sham steps replaced
// by Morse pair terms (energy, gradient) and a fixed-charge dipole, so that the bookkeeping
// (ranges, split runs, points from the input) runs in milliseconds. Scratch directory of its
// own per test.
#include <cstdlib>
#include <filesystem>

#include "geometry/hessian/second_derivatives.hpp"
#include "geometry/model_surface.hpp"

namespace ostrel::testing {

inline const Surface* model = nullptr;
inline const double kCharges[4] = {-0.8, 0.4, 0.4, 0.0};
inline int model_scf_runs = 0;
inline int model_scf_new_grids = 0;  // runs that were to build their own grid

inline void model_nothing() {}
inline void model_save(const char*, int) {}
inline void model_report(const char*) {}
inline void model_scf() {
  ++model_scf_runs;
  if (record_get_or(rec::grid_adapt, 0) != 0) ++model_scf_new_grids;
  const std::vector<double> x = current_geometry();
  std::vector<double> g(x.size()), dipole(3, 0.0);
  store_put("Energy", model->energy(x.data(), g.data()));
  for (std::size_t k = 0; k < x.size(); ++k) dipole[k % 3] += kCharges[k / 3] * x[k];
  put_reals("Dipole", dipole);
  put_reals("scf_Gmax", {1e-9, 1e-9});
}
inline void model_gradient() {
  const std::vector<double> x = current_geometry();
  std::vector<double> g(x.size());
  model->energy(x.data(), g.data());
  put_reals("Gradient", g);
}
inline constexpr EnergyProcedures kModel{model_nothing, model_scf, model_save, model_report, model_gradient};

class HessianRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/ostrel-hessian-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    pool_init(std::int64_t{64} << 20);
    store_open(dir_.c_str(), -64);
    model_scf_runs = 0;
    model_scf_new_grids = 0;
  }
  void TearDown() override {
    store_close();
    std::filesystem::remove_all(dir_);
  }
  // A fresh store (a new run) with the structure and the difference settings.
  void new_run(const char* atoms, int mode, double dx, int first = 0, int last = -1) {
    store_clear();
    with_stdin(molecule_group(atoms), [] { read_molecule("Molecule", "", "molecule", 1, 0); });
    record_put(rec::haveE, ResultsGiven{0, 0, 0});
    store_put("nwave", 1);
    put_reals("Polariz", std::vector<double>(33, 0.0));
    put_reals("DipoleX", std::vector<double>(9 * 3 * 3, 0.0));
    store_put_text("theory", "DFT", 64);
    record_put(rec::grid, 1);
    record_put(rec::grid_adapt, 1);
    store_put("NEval", 0);
    record_put(rec::num_nd, mode);
    record_put(rec::num_dx, dx);
    record_put(rec::num_kd, DisplacementSteps{first, last});
  }
  int run(std::string* output = nullptr) {
    int status = -1;
    const std::string out = captured_stdout([&] { status = second_derivatives_with(kModel); });
    if (output) *output = out;
    return status;
  }
  std::vector<double> hessian(int n3) {
    std::vector<double> h(n3 * (n3 + 1) / 2);
    record_read(rec::Hessian, h.data(), static_cast<std::int64_t>(h.size()));
    return h;
  }
  std::string dir_;
};

}  // namespace ostrel::testing
