// The exchange-correlation gradient passes shared out over the nodes and summed give the
// single-process gradient (run under mpirun -np 2, 3).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "scf/grid/grid_test_system.hpp"
#include "scf/numint/xc_gradient.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;

struct PassResult {
  double energy;
  std::vector<double> grad;
};

PassResult run(const GridTestSystem& t, const XcFunctional& f, bool orbital, const std::vector<double>& d,
        const std::vector<double>& blocks, const std::vector<long>& offsets) {
  Grid g = testing::make_grid(t, 25, 110);
  const GridPartition part = orbital ? GridPartition{nullptr, blocks.data(), offsets.data()} : t.partition();
  const XcGradientInput in{&g, GRID_FINAL, t.system(), part, &f, nullptr, true};
  PassResult r{0.0, std::vector<double>(t.xyz.size(), 0.0)};
  r.energy = orbital ? xc_gradient_orbital_terms(in, d.data(), nullptr, r.grad.data())
                     : xc_gradient_fitted_terms(in, d.data(), nullptr, r.grad.data());
  mp_sum(&r.energy, 1, MP_DOUBLE);
  mp_sum(r.grad.data(), r.grad.size(), MP_DOUBLE);
  grid_release(g);
  return r;
}

TEST(XcGradientMpi, SharedPassesMatchOneProcess) {
  const GridTestSystem t = testing::make_system(testing::kWater, true);
  const XcFunctional f = testing::named_functional("PBE");
  // Orbital density: the rank-one matrix of the fitted coefficients; partition blocks the
  // same over each atom's functions.
  const int nf = t.set.n_functions;
  std::vector<double> dm, blocks;
  std::vector<long> offsets;
  for (int i = 0; i < nf; ++i)
    for (int j = 0; j <= i; ++j) dm.push_back(t.da[i] * t.da[j] + (i == j ? 0.01 : 0.0));
  for (int a = 0; a < t.n_atoms(); ++a) {
    offsets.push_back(static_cast<long>(blocks.size()));
    const int f0 = t.shells[t.atom_first_shell[a]].first_function;
    const int f1 = a + 1 < t.n_atoms() ? t.shells[t.atom_first_shell[a + 1]].first_function : nf;
    for (int i = f0; i < f1; ++i)
      for (int j = f0; j <= i; ++j) blocks.push_back(t.atomic_d[i] * t.atomic_d[j]);
  }
  for (bool orbital : {false, true}) {
    const std::vector<double>& d = orbital ? dm : t.da;
    const PassResult serial = testing::as_one_process([&] { return run(t, f, orbital, d, blocks, offsets); });
    const PassResult shared = run(t, f, orbital, d, blocks, offsets);
    if (!is_master) continue;
    EXPECT_NEAR(shared.energy, serial.energy, 1e-11 * std::abs(serial.energy));
    for (size_t i = 0; i < serial.grad.size(); ++i) EXPECT_NEAR(shared.grad[i], serial.grad[i], 1e-11) << i;
  }
}

}  // namespace
}  // namespace ostrel
