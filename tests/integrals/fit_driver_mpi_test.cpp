// The fitted density amplifies any rounding in V^-1 and in the projection by the metric's
// condition, so on any number of nodes both must be exactly what one process gets. Benzene:
// 366 fitting functions, enough for the node-parallel eigensolver and products to be chosen
// on two and three nodes.
#include <cmath>

#include "integrals/fit_driver.hpp"
#include "runtime/message_passing.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

TEST(FitDriverNodes, MetricInverseAndProjectionEqualOneProcess) {
  if (is_master) {
    std::string ring = "$molecule cartesian\n";
    for (int k = 0; k < 6; ++k) {
      const double a = k * M_PI / 3.0, c = std::cos(a), s = std::sin(a);
      ring += " 6 " + std::to_string(1.39 * c) + " " + std::to_string(1.39 * s) + " 0\n";
      ring += " 1 " + std::to_string(2.47 * c) + " " + std::to_string(2.47 * s) + " 0\n";
    }
    testing::read_test_model(ring + "$end\n");
    const long n2 = packed_size(store_get<int>("Nbasis"));
    std::vector<double> d(n2);
    for (long k = 0; k < n2; ++k) d[k] = std::sin(0.37 * k) / (1.0 + 0.001 * k);
    testing::put_reals("Dt", d);
  }
  const char* density[1] = {"Dt"};
  const auto steps = [&](const char* metric, const char* gamma) {
    testing::captured_stdout([&] {
      fit_metric_step(1e-10, metric);
      fit_setup_step(1e-10, false);
      fit_projection_step(Interaction::coulomb, 1e-10, 1, density, gamma);
    });
  };
  steps("V.shared", "g.shared");
  if (!is_master) return;
  const int shared_count = node_count;
  node_count = 1;  // the master alone redoes everything
  steps("V.one", "g.one");
  node_count = shared_count;
  const long m = store_get<int>("Nfit"), m2 = packed_size(m);
  ASSERT_GT(m / shared_count, 100);
  EXPECT_EQ(testing::get_reals("V.shared", 3 * m2), testing::get_reals("V.one", 3 * m2)) << node_count << " nodes";
  EXPECT_EQ(testing::get_reals("g.shared", m), testing::get_reals("g.one", m)) << node_count << " nodes";
}

}  // namespace
}  // namespace ostrel
