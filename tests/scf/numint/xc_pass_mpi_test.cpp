// The exchange-correlation passes shared out over two and three nodes give the one-process
// energies, potentials, matrices and kernels (run under mpirun -np 2, 3).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "scf/numint/xc_pass_system.hpp"
#include "scf/numint/xc_passes.hpp"

namespace ostrel {
namespace {

using testing::read_record;
using testing::write_record;

struct Results {
  double ex[3], ec[3];  // fitted, orbital, fitted on the coarse grid
  std::vector<double> fa, fb, va, vb, fa1, fb1;
};

// All three passes on every node; the master collects what they stored.
Results run_passes(long tri) {
  Results r{};
  if (is_master) {
    write_record("Fa", std::vector<double>(tri, 0.01));
    write_record("Fb", std::vector<double>(tri, -0.01));
    store_put("grid_fine", 1);
  }
  xc_fitted_pass();
  if (is_master) {
    r.ex[0] = store_get<double>("Ex"), r.ec[0] = store_get<double>("Ec");
    r.fa = read_record("fa"), r.fb = read_record("fb");
  }
  xc_orbital_pass();
  if (is_master) {
    r.ex[1] = store_get<double>("Ex"), r.ec[1] = store_get<double>("Ec");
    r.va = read_record("Fa"), r.vb = read_record("Fb");
    store_put("grid_fine", 0);
  }
  xc_kernel_pass();
  xc_fitted_pass();
  if (is_master) {
    r.ex[2] = store_get<double>("Ex"), r.ec[2] = store_get<double>("Ec");
    r.fa1 = read_record("fa1"), r.fb1 = read_record("fb1");
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
        write_record("atomic_d", fit.atomic_d);
        write_record("da", fit.da);
        write_record("db", fit.db);
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
        write_record("Da", da);
        write_record("Db", db);
        write_record("da1", da1);
        write_record("db1", db1);
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

}  // namespace
}  // namespace ostrel
