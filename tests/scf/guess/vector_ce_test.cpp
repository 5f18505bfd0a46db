// The "$ce" print of orbitals reads back through the "ce" group as the same orbitals.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/store.hpp"
#include "scf/guess/guess_options.hpp"
#include "scf/guess/guess_steps.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

class VectorCe : public testing::RuntimeTest {};

TEST_F(VectorCe, PrintedOrbitalsReadBackAsTheGuessGroup) {
  constexpr int n = 3;
  const double c[n * n] = {0.9, 0.1, -0.2, 0.3, -0.8, 0.4, 0.05, 0.45, 0.7};
  const double e[n] = {-1.25, -0.5, 0.375};
  ::testing::internal::CaptureStdout();
  print_vectors_ce("", "a", e, c, n);
  const std::string printed = ::testing::internal::GetCapturedStdout();
  // The print names the first coefficient of each orbital by its place in the array.
  EXPECT_NE(printed.find("Ca(4)="), std::string::npos) << printed;

  store_put("Nbasis", n);
  store_alloc("guess_na", 4 * 2 * n);
  store_alloc("guess_nb", 4 * 2 * n);
  for (const char* name : {"guess_Ca", "guess_Cb"}) store_alloc(name, 8 * 4 * n * n);
  for (const char* name : {"guess_ea", "guess_eb"}) store_alloc(name, 8 * 2 * n);
  testing::InputFile input("$guess read=-1 $end\n" + printed);
  guess_read_options(input.get());

  std::vector<double> ca(n * n), cb(n * n), ea(n);
  store_read("guess_Ca", 0, ca.data(), 8 * n * n);
  store_read("guess_Cb", 0, cb.data(), 8 * n * n);
  store_read("guess_ea", 0, ea.data(), 8 * n);
  for (int k = 0; k < n * n; ++k) {
    EXPECT_NEAR(ca[k], c[k], 1e-10) << k;
    EXPECT_EQ(cb[k], ca[k]) << k;  // no beta block: beta follows alpha
  }
  for (int i = 0; i < n; ++i) EXPECT_NEAR(ea[i], e[i], 1e-10);
}

}  // namespace
}  // namespace ostrel
