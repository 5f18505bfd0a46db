// The exchange-correlation passes shared out over two and three nodes give the one-process
// energies, potentials, matrices, kernels and gradients (run under mpirun -np 2, 3).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "scf/numint/xc_gradient.hpp"
#include "scf/numint/xc_pass_system.hpp"
#include "scf/numint/xc_passes.hpp"

namespace ostrel {
namespace {

using testing::get_reals;
using testing::put_reals;

struct Results {
  double ex[3], ec[3];  // fitted, orbital, fitted on the coarse grid
  std::vector<double> fa, fb, va, vb, fa1, fb1;
};

// All three passes on every node; the master collects what they stored.
Results run_passes(long tri) {
  Results r{};
  if (is_master) {
    put_reals("Fa", std::vector<double>(tri, 0.01));
    put_reals("Fb", std::vector<double>(tri, -0.01));
    store_put("grid_fine", 1);
  }
  xc_fitted_pass();
  if (is_master) {
    r.ex[0] = store_get<double>("Ex"), r.ec[0] = store_get<double>("Ec");
    r.fa = get_reals("fa"), r.fb = get_reals("fb");
  }
  xc_orbital_pass();
  if (is_master) {
    r.ex[1] = store_get<double>("Ex"), r.ec[1] = store_get<double>("Ec");
    r.va = get_reals("Fa"), r.vb = get_reals("Fb");
    store_put("grid_fine", 0);
  }
  xc_kernel_pass();
  xc_fitted_pass();
  if (is_master) {
    r.ex[2] = store_get<double>("Ex"), r.ec[2] = store_get<double>("Ec");
    r.fa1 = get_reals("fa1"), r.fb1 = get_reals("fb1");
  }
  return r;
}

void expect_close(const std::vector<double>& a, const std::vector<double>& b, const char* what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_NEAR(a[i], b[i], 1e-12 * (1.0 + std::fabs(b[i]))) << what << " " << i;
}

TEST(XcPassNodes, SharedPassesEqualOneProcess) {
  for (const char* functional : {"PBE", "BLYP"})
    for (int closed : {1, 0}) {
      long tri = 0;
      if (is_master) {
        store_clear();
        testing::xc_read_model(
            "$molecule units=b cartesian\n 8 0 0 0\n 1 0 1.4304281 -1.1071596\n"
            " 1 0 -1.4304281 -1.1071596\n$end\n",
            "$grid nradial=20 20 20 20 20 20 20 20 accuracy=1e-6 $end\n", functional, closed);
        const testing::FitDensities fit = testing::model_fit_densities(closed);
        put_reals("atomic_d", fit.atomic_d);
        put_reals("da", fit.da);
        put_reals("db", fit.db);
        const int nbf = store_get<int>("Nbasis"), nfit = store_get<int>("Nfit");
        tri = static_cast<long>(nbf) * (nbf + 1) / 2;
        std::vector<double> da(tri), db(tri), da1(2 * nfit), db1(2 * nfit);
        for (int i = 0, k = 0; i < nbf; ++i)
          for (int j = 0; j <= i; ++j, ++k) {
            da[k] = (i == j ? 0.4 : 0.0) + 0.05 * std::cos(0.3 * k) / (1 + i - j);
            db[k] = closed ? da[k] : 0.8 * da[k];
          }
        for (int i = 0; i < 2 * nfit; ++i) {
          da1[i] = 0.03 * fit.da[i % nfit] * std::cos(1.0 + i);
          db1[i] = closed ? da1[i] : 0.02 * fit.db[i % nfit] * std::sin(2.0 + i);
        }
        put_reals("Da", da);
        put_reals("Db", db);
        put_reals("da1", da1);
        put_reals("db1", db1);
        store_put("ND1", 2);
        store_put("d2loc", 0);
      }
      testing::build_grid_and_weights();
      const Results shared = run_passes(tri);

      // One process: the master alone with messages off.
      const int nodes = node_count;
      Results serial{};
      if (is_master) {
        node_count = 1;
        serial = run_passes(tri);
        node_count = nodes;
        SCOPED_TRACE(std::string(functional) + (closed ? " closed" : " open"));
        for (int k = 0; k < 3; ++k) {
          EXPECT_NEAR(shared.ex[k], serial.ex[k], 1e-12 * std::fabs(serial.ex[k])) << k;
          EXPECT_NEAR(shared.ec[k], serial.ec[k], 1e-12 * std::fabs(serial.ec[k])) << k;
        }
        EXPECT_NE(shared.ex[0], shared.ex[2]);  // the coarse grid is another grid
        expect_close(shared.fa, serial.fa, "fa");
        expect_close(shared.fb, serial.fb, "fb");
        expect_close(shared.va, serial.va, "Fa");
        expect_close(shared.vb, serial.vb, "Fb");
        expect_close(shared.fa1, serial.fa1, "fa1");
        expect_close(shared.fb1, serial.fb1, "fb1");
      }
    }
}

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
