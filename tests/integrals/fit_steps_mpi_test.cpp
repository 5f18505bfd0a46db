// The metric, the set-up and the exact Coulomb matrix shared over the nodes of the run agree
// with one process doing all the work.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "coulomb_psi4_reference_data.hpp"
#include "integrals/coulomb_fit.hpp"
#include "integrals/fit_driver.hpp"
#include "integrals/fit_setup.hpp"
#include "integrals/two_electron_coulomb.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

using namespace psi4_coulomb;
using testing::TestBasis;

std::vector<double> read_doubles(const char* name, long n, long offset = 0) {
  std::vector<double> v(n);
  store_read(name, offset * static_cast<long>(sizeof(double)), v.data(), n * static_cast<long>(sizeof(double)));
  return v;
}

TEST(FitStepsNodes, SharedWorkEqualsOneProcess) {
  const TestBasis orb = TestBasis(kSvpShells, kSvpShellCount, kCoordinates, 3);
  const TestBasis aux = TestBasis(kJfitShells, kJfitShellCount, kCoordinates, 3);
  const int m = aux.nfunc(), n2 = orb.nfunc() * (orb.nfunc() + 1) / 2, m2 = m * (m + 1) / 2;

  if (is_master) ::testing::internal::CaptureStdout();
  fit_metric_inverse(aux.set(), kFitMetricFloor, "mpi.VMM", "mpi.s");
  int groups[3], lists[9];
  fit_setup(orb.set(), aux.set(), kCoordinates, kFitCutoff, false, {}, groups, lists);
  const std::string out = is_master ? ::testing::internal::GetCapturedStdout() : std::string();
  if (is_master && node_count > 1) {
    EXPECT_NE(out.find("integrals on node  1\n"), std::string::npos) << out;
  }
  int size[3] = {0, 0, 0};
  for (int g : groups) ++size[g];
  for (int k = 0; k < node_count && k < 3; ++k) EXPECT_EQ(size[k], 3 / node_count + (k < 3 % node_count));

  std::vector<double> d(n2, 0.0);
  if (is_master)
    for (int k = 0; k < n2; ++k) d[k] = 0.25 * std::cos(0.21 * k);
  mp_bcast(d.data(), n2, MP_DOUBLE);
  std::vector<double> exact(n2, 0.0);
  coulomb_matrix_exact(orb.set(), kFitCutoff, d.data(), node_id, node_count, exact.data());
  mp_sum(exact.data(), n2, MP_DOUBLE);

  if (!is_master) return;
  std::vector<double> v(m2, 0.0), exact1(n2, 0.0);
  fit_metric(Interaction::coulomb, aux.set(), 0, 1, v.data());
  const auto stored_v = read_doubles("mpi.VMM", m2, 2 * m2);
  for (int k = 0; k < m2; ++k) EXPECT_NEAR(stored_v[k], v[k], 1e-13);
  coulomb_matrix_exact(orb.set(), kFitCutoff, d.data(), 0, 1, exact1.data());
  for (int k = 0; k < n2; ++k) EXPECT_NEAR(exact[k], exact1[k], 1e-12);
}

}  // namespace
}  // namespace ostrel
