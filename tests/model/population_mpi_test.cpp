// Overlap populations on several nodes: the overlap is built by all nodes together from the
// master's records, and the master prints what one process computes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "integrals/one_electron_driver.hpp"
#include "linalg/subspace.hpp"
#include "model/population.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "support/model_input.hpp"
#include "support/molecules.hpp"

namespace ostrel {
namespace {

TEST(PopulationMpi, MasterPrintsTheOneProcessTable) {
  store_clear();
  const int n = 24;
  std::vector<double> s(n * (n + 1) / 2), c(n * n);
  if (is_master) {
    testing::read_test_molecule(testing::molecule_group(testing::kWaterAtoms));
    testing::read_program_basis(testing::basis_library("def2"));
  }
  OneElectronRecords r;
  r.overlap = "S";
  r.hamiltonian = r.kinetic = r.moments = nullptr;
  const double field[3] = {0, 0, 0};
  testing::captured_stdout([&] { one_electron_integrals(r, nullptr, field, nullptr, 0, 0.0); });

  std::string expected;
  if (is_master) {
    store_read("S", 0, s.data(), 8 * static_cast<std::int64_t>(s.size()));
    for (int k = 0; k < n; ++k)
      for (int i = 0; i < n; ++i) c[k * n + i] = (i == k) + 0.2 * std::cos(0.5 + 3.0 * i - k);
  }
  orthonormalize(is_master ? s.data() : nullptr, is_master ? c.data() : nullptr, n, n);
  if (is_master) {
    store_write("Ca", 0, c.data(), 8 * static_cast<std::int64_t>(c.size()));
    store_put("Na", 5);
    store_put("Nb", 5);
    store_put("restrict", 1);
    store_put("four", 0);
    const int atom_of_first[4] = {0, 14, 19, 24};  // O 3s2p1d, H 2s1p
    std::vector<int> atom_of(n);
    for (int a = 0; a < 3; ++a)
      for (int mu = atom_of_first[a]; mu < atom_of_first[a + 1]; ++mu) atom_of[mu] = a;
    const double z[3] = {8, 1, 1};
    const int zi[3] = {8, 1, 1};
    double charge[3], spin[3], bond[6];
    population_analysis(n, s.data(), c.data(), 5, c.data(), 5, atom_of.data(), 3, z, charge, spin, bond);
    EXPECT_NEAR(charge[0] + charge[1] + charge[2], 0.0, 1e-10);
    ::testing::internal::CaptureStdout();
    print_population_table(zi, 3, charge, spin, bond);
    expected = ::testing::internal::GetCapturedStdout();
  }
  ::testing::internal::CaptureStdout();
  print_populations();
  const std::string out = ::testing::internal::GetCapturedStdout();
  if (is_master) {
    ASSERT_GE(out.size(), expected.size());
    EXPECT_EQ(out.substr(out.size() - expected.size()), expected);
  } else {
    EXPECT_EQ(out.find("Overlap populations"), std::string::npos);
  }
}

}  // namespace
}  // namespace ostrel
