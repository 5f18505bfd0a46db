// Shell-pair kernels assembled into full matrices and compared with Psi4 1.3.2 (MintsHelper,
// spherical functions; data written by tools/integrals_psi4_reference.py). Agreement is at
// the 1e-14 level; the tolerance leaves room for other compilers.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "integrals/one_electron_kernels.hpp"
#include "psi4_reference_data.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

using psi4_reference::RefCase;
using testing::TestShell;

std::vector<TestShell> shells_of(const RefCase& ref) {
  return testing::shells_from(ref.shells, static_cast<int>(ref.nshell), psi4_reference::kCoordinates);
}

// Packed lower triangles of `count` matrices from a kernel writing `count` blocks per shell pair.
using Kernel = std::function<void(const Shell& b, const Shell& a, double* out)>;
std::vector<std::vector<double>> assemble(const std::vector<TestShell>& shells, int count,
                                          const Kernel& kernel) {
  int n = 0;
  std::vector<int> first;
  for (const auto& s : shells) {
    first.push_back(n);
    n += s.size();
  }
  std::vector<std::vector<double>> m(count, std::vector<double>(n * (n + 1) / 2));
  std::vector<double> block;
  for (size_t ia = 0; ia < shells.size(); ++ia)
    for (size_t ib = 0; ib <= ia; ++ib) {
      const int na = shells[ia].size(), nb = shells[ib].size();
      block.assign(count * na * nb, 0.0);
      kernel(shells[ib].view(), shells[ia].view(), block.data());
      for (int c = 0; c < count; ++c)
        for (int i = 0; i < nb; ++i)
          for (int j = 0; j < na; ++j) {
            const int row = first[ia] + j, col = first[ib] + i;  // row >= col
            if (col > row) continue;
            m[c][row * (row + 1) / 2 + col] = block[c * na * nb + i * na + j];
          }
    }
  return m;
}

double max_difference(const std::vector<double>& mine, const double* ref) {
  double worst = 0.0;
  for (size_t i = 0; i < mine.size(); ++i) worst = std::max(worst, std::fabs(mine[i] - ref[i]));
  return worst;
}

void compare_case(const RefCase& ref, double tol) {
  const auto shells = shells_of(ref);
  std::vector<PointCharge> nuclei;
  for (int i = 0; i < ref.natom; ++i) {
    const double* r = psi4_reference::kCoordinates + 3 * i;
    nuclei.push_back({{r[0], r[1], r[2]}, psi4_reference::kCharges[i], 0.0});
  }
  const auto s = assemble(shells, 1, overlap_shell_pair);
  const auto t = assemble(shells, 1, kinetic_shell_pair);
  const auto v = assemble(shells, 1, [&](const Shell& b, const Shell& a, double* out) {
    nuclear_attraction_shell_pair(b, a, nuclei, out);
  });
  const double origin[3] = {0.0, 0.0, 0.0};
  const auto mom = assemble(shells, kMomentCount, [&](const Shell& b, const Shell& a, double* out) {
    moment_shell_pair(b, a, origin, out);
  });
  EXPECT_EQ(static_cast<int>(s[0].size()), ref.nbf * (ref.nbf + 1) / 2);
  EXPECT_LT(max_difference(s[0], ref.matrix[0]), tol) << "overlap";
  EXPECT_LT(max_difference(t[0], ref.matrix[1]), tol) << "kinetic";
  EXPECT_LT(max_difference(v[0], ref.matrix[2]), tol) << "nuclear attraction";
  for (int k = 0; k < kMomentCount; ++k)
    EXPECT_LT(max_difference(mom[k], ref.matrix[3 + k]), tol) << "moment " << k;
}

TEST(OneElectronMatrices, WaterDef2SvpMatchesPsi4) { compare_case(psi4_reference::kSvp, 1e-12); }

TEST(OneElectronMatrices, GFunctionsMatchPsi4) { compare_case(psi4_reference::kHighL, 1e-12); }

}  // namespace
}  // namespace ostrel
