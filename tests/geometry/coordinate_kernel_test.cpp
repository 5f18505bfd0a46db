// Values, B rows and second derivatives of every coordinate type against finite
// differences, including near-linear bends and torsions near 180 degrees.
#include "geometry/coordinate_kernel.hpp"

#include <cmath>
#include <vector>

#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

// Atoms 0-3 a skewed chain (torsion about 60 degrees); 4-5 make 0-4-5 nearly straight
// (about 176 degrees); 6-9 a torsion of about 179 degrees; 10-13 a bent linear chain
// d-A-m-n; 14-16 an isolated, slightly bent triatomic.
const std::vector<double> kXyz = {
    0.1, 0.2, 0.0,   1.5, 0.1, 0.3,   2.1, 1.4, 0.2,   2.4, 1.9, 1.5,
    0.1, 2.9, 0.0,   0.1, 5.7, 0.2,
    0.0, 1.0, 0.0,   0.0, 0.0, 0.0,   1.5, 0.0, 0.0,   1.5, -1.0, -0.02,
    -1.0, 1.2, 0.1,  0.0, 0.0, 0.0,   2.2, 0.05, 0.03,  4.4, 0.12, -0.04,
    0.0, 0.0, 0.0,   2.1, 0.03, 0.02,  4.3, -0.02, 0.05};

const InternalCoordinate kCases[] = {
    {1, 0, 1, -1, -1}, {2, 0, 1, 2, -1}, {2, 0, 4, 5, -1}, {3, 0, 1, 2, 3},
    {3, 6, 7, 8, 9},   {4, 10, 11, 12, 13}, {5, 10, 11, 12, 13}, {4, 14, 14, 15, 16},
    {5, 14, 14, 15, 16}};

int atom_of(const InternalCoordinate& c, int slot) {
  const int a[4] = {c.i, c.j, c.k, c.l};
  return a[slot];
}

TEST(GeometryKernel, DerivativesOfEveryTypeMatchFiniteDifferences) {
  std::vector<double> x = kXyz;
  const double h = 1e-4;
  for (const InternalCoordinate& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << " atoms " << c.i << c.j << c.k);
    double b[B_ROW], d2[B_SECOND];
    coordinate_value(c, x.data(), b, d2);
    const int used = coordinate_atoms(c.type);
    for (int s = 0; s < used; ++s) {
      bool repeated = false;
      for (int t = 0; t < s; ++t) repeated |= atom_of(c, t) == atom_of(c, s);
      for (int d = 0; d < 3; ++d) {
        double& xa = x[3 * atom_of(c, s) + d];
        const double keep = xa;
        double bp[B_ROW], bm[B_ROW];
        xa = keep + h;
        const double vp = coordinate_value(c, x.data(), bp, nullptr);
        xa = keep - h;
        const double vm = coordinate_value(c, x.data(), bm, nullptr);
        xa = keep;
        if (repeated) {
          EXPECT_EQ(b[3 * s + d], 0.0);
          continue;
        }
        EXPECT_NEAR(b[3 * s + d], std::remainder(vp - vm, 2 * M_PI) / (2 * h), 1e-7);
        const int p = 3 * s + d;
        for (int q = 0; q < B_ROW; ++q) {
          const double fd = (bp[q] - bm[q]) / (2 * h);
          const double an = d2[p >= q ? p * (p + 1) / 2 + q : q * (q + 1) / 2 + p];
          EXPECT_NEAR(an, fd, 1e-6 * (1 + std::fabs(fd)));
        }
      }
    }
  }
}

TEST(GeometryKernel, ValuesTransposeWrapAndLookup) {
  const double* x = kXyz.data();
  EXPECT_NEAR(coordinate_value({2, 0, 4, 5, -1}, x, nullptr, nullptr) * 180 / M_PI, 176.0, 0.5);
  const double phi = coordinate_value({3, 6, 7, 8, 9}, x, nullptr, nullptr);
  EXPECT_GT(std::fabs(phi) * 180 / M_PI, 178.5);
  // A straight chain has zero linear-bend components.
  const double line[] = {-1, 1, 0, 0, 0, 0, 1, 0, 0, 2, 0, 0};
  EXPECT_NEAR(coordinate_value({4, 0, 1, 2, 3}, line, nullptr, nullptr), 0.0, 1e-14);
  EXPECT_NEAR(coordinate_value({5, 0, 1, 2, 3}, line, nullptr, nullptr), 0.0, 1e-14);

  // B and B^T are transposes of each other, repeated atoms included.
  const int count = sizeof kCases / sizeof kCases[0];
  const int atoms = static_cast<int>(kXyz.size() / 3);
  std::vector<double> q(count), b(B_ROW * count), dq(count), dx(3 * atoms), bt(3 * atoms);
  internal_values(count, kCases, x, q.data(), b.data());
  for (int k = 0; k < 3 * atoms; ++k) dx[k] = std::sin(1.0 + k);
  for (int k = 0; k < count; ++k) dq[k] = std::cos(2.0 + k);
  std::vector<double> bdx(count);
  apply_b_matrix(count, kCases, b.data(), dx.data(), bdx.data());
  apply_b_transpose(count, kCases, b.data(), dq.data(), bt.data(), atoms);
  double left = 0, right = 0;
  for (int k = 0; k < count; ++k) left += bdx[k] * dq[k];
  for (int k = 0; k < 3 * atoms; ++k) right += dx[k] * bt[k];
  EXPECT_NEAR(left, right, 1e-12);

  // Torsion differences across +-180 degrees are short; other types are left alone.
  const InternalCoordinate two[] = {{3, 0, 1, 2, 3}, {2, 0, 1, 2, -1}};
  double diff[] = {3.1 - (-3.1), 7.0};
  wrap_differences(2, two, diff);
  EXPECT_NEAR(diff[0], 6.2 - 2 * M_PI, 1e-14);
  EXPECT_EQ(diff[1], 7.0);

  InternalCoordinate set[5] = {{1, 0, 1, -1, -1}, {2, 0, 1, 2, -1}, {3, 0, 1, 2, 3}, {0, -1, -1, -1, -1}};
  int n = 3;
  // Reversed atom lists find their coordinates; types 0 and 6 are refused; type 4 is added.
  const int rows[][6] = {{1, 1, 0, -1, -1, 0}, {2, 2, 1, 0, -1, 1}, {3, 3, 2, 1, 0, 2},
                         {0, 0, 1, -1, -1, -1}, {6, 0, 1, -1, -1, -1}, {4, 0, 1, 2, 3, 3}};
  for (const auto& r : rows)
    EXPECT_EQ(find_or_add_coordinate(set, &n, 5, r[0], r[1], r[2], r[3], r[4]), r[5]) << r[0];
  EXPECT_EQ((std::vector<int>{n, set[4].type}), (std::vector<int>{4, 0}));
  EXPECT_FATAL(find_or_add_coordinate(set, &n, 5, 5, 3, 2, 1, 0), "MaxK=5");
}

}  // namespace
}  // namespace ostrel
