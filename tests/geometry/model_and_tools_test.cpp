// Coordinate generation, model Hessians, external motions, Hessian updates and the
// trust-region step.
#include <cmath>
#include <vector>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/model_hessian.hpp"
#include "geometry/step_tools.hpp"
#include "linalg/vector_ops.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using GeometryTools = testing::RuntimeTest;

struct Shape {
  std::vector<int> z;
  std::vector<double> xyz;  // bohr
};

// Ethane (staggered), HCN, propyne and two water molecules 5 bohr apart.
Shape ethane() {
  return {{6, 6, 1, 1, 1, 1, 1, 1},
          {0, 0, 1.45, 0, 0, -1.45, 1.94, 0, 2.16, -0.97, 1.68, 2.16, -0.97, -1.68, 2.16,
           -1.94, 0, -2.16, 0.97, -1.68, -2.16, 0.97, 1.68, -2.16}};
}
Shape hcn() { return {{1, 6, 7}, {0, 0, -2.0, 0, 0, 0, 0, 0, 2.2}}; }
Shape propyne() {
  return {{6, 6, 6, 1, 1, 1, 1},
          {0, 0, 0, 0, 0, 2.75, 0, 0, 5.0, 0, 0, 7.0, 1.94, 0, -0.69, -0.97, 1.68, -0.69,
           -0.97, -1.68, -0.69}};
}
Shape water_pair() {
  return {{8, 1, 1, 8, 1, 1},
          {0, 0, 0, 1.43, 0, 1.1, -1.43, 0, 1.1, 0, 5.0, 0, 1.43, 5.0, 1.1, -1.43, 5.0, 1.1}};
}

std::vector<InternalCoordinate> generate(const Shape& s) {
  const int n = static_cast<int>(s.z.size());
  std::vector<InternalCoordinate> set(COORDINATES_PER_ATOM * n);
  const int count = generate_internal_coordinates(n, s.z.data(), s.xyz.data(), set.data(),
                                                  static_cast<int>(set.size()));
  set.resize(count);
  return set;
}

int of_type(const std::vector<InternalCoordinate>& set, int type) {
  int n = 0;
  for (const auto& c : set) n += c.type == type;
  return n;
}

// Rank of B: the number of independent internal motions the set describes.
int rank_of_b(const Shape& s, const std::vector<InternalCoordinate>& set) {
  const int n = static_cast<int>(s.z.size()), count = static_cast<int>(set.size());
  std::vector<double> q(count), b(B_ROW * count), g(packed_size(3 * n), 0.0), v(9 * n * n), e(3 * n);
  std::vector<InternalCoordinate> closed = set;
  closed.push_back({0, -1, -1, -1, -1});
  internal_values(count, closed.data(), s.xyz.data(), q.data(), b.data());
  std::vector<double> unit(3 * n), col(count), back(3 * n);
  for (int p = 0; p < 3 * n; ++p) {
    std::fill(unit.begin(), unit.end(), 0.0);
    unit[p] = 1.0;
    apply_b_matrix(count, closed.data(), b.data(), unit.data(), col.data());
    apply_b_transpose(count, closed.data(), b.data(), col.data(), back.data(), n);
    for (int r = 0; r <= p; ++r) g[packed_index(p, r)] = back[r];
  }
  eigen_local(g.data(), v.data(), e.data(), 3 * n);
  int rank = 0;
  for (double x : e) rank += x > 1e-8;
  return rank;
}

TEST_F(GeometryTools, GeneratedCoordinatesSpanTheInternalMotions) {
  const auto eth = generate(ethane());
  EXPECT_EQ((std::vector<int>{of_type(eth, 1), of_type(eth, 2), rank_of_b(ethane(), eth)}),
            (std::vector<int>{7, 12, 18}));
  EXPECT_GE(of_type(eth, 3), 9);
  // HCN: two stretches and the bend pair at carbon referred to the cartesian axes.
  const auto lin = generate(hcn());
  EXPECT_EQ((std::vector<int>{of_type(lin, 1), of_type(lin, 2), rank_of_b(hcn(), lin)}), (std::vector<int>{2, 0, 4}));
  EXPECT_GE(of_type(lin, 4), 1);
  const auto pro = generate(propyne());
  EXPECT_GT(of_type(pro, 4), 0);
  EXPECT_EQ(rank_of_b(propyne(), pro), 15);
  // Two molecules apart are joined, so the set still fixes their relative position.
  const auto pair = generate(water_pair());
  EXPECT_EQ(rank_of_b(water_pair(), pair), 12);
}

TEST_F(GeometryTools, ModelHessiansIgnoreExternalMotions) {
  const Shape s = ethane();
  const int n = 8, m = 3 * n;
  std::vector<double> h(packed_size(m)), t(6 * m), ht(m);
  cartesian_model_hessian(n, s.z.data(), s.xyz.data(), h.data());
  ASSERT_EQ(translation_rotation_vectors(n, s.xyz.data(), t.data()), 6);
  for (int k = 0; k < 6; ++k) {
    for (int r = 0; r < 6; ++r)
      EXPECT_NEAR(vec_dot(m, t.data() + k * m, t.data() + r * m), k == r ? 1.0 : 0.0, 1e-12);
    matrix_times_vector(m, h.data(), 0, t.data() + k * m, ht.data(), 1.0, 0.0);
    // Only the 0.001 diagonal acts on external motions.
    vec_axpy(m, -0.001, t.data() + k * m, ht.data());
    EXPECT_LT(vec_max_norm(m, ht.data()), 1e-9);
  }
  std::vector<double> t3(6 * 9);
  EXPECT_EQ(translation_rotation_vectors(3, hcn().xyz.data(), t3.data()), 5);
  // O-H stretch of water: 0.318 (2.043 / 1.81)^5.64 from the radii and stiffnesses.
  const int z[] = {8, 1};
  const double x[] = {0, 0, 0, 0, 0, 1.81};
  const double pair = 0.5 * (1.47 / 0.529 + 0.75 / 0.529 - 0.25 * std::pow(0.72 / 0.529, 2) / (2.22 / 0.529));
  EXPECT_NEAR(model_force_constant({1, 0, 1, -1, -1}, z, x),
              std::sqrt(0.286 * 0.355) * std::pow(pair / 1.81, 5.64), 1e-12);
}

TEST_F(GeometryTools, UpdatesMeetTheSecantConditionAndStepsTheRadius) {
  const int n = 3;
  for (HessianUpdate kind : {HessianUpdate::BFGS, HessianUpdate::PSB}) {
    double h[6] = {1.0, 0.1, 2.0, 0.0, 0.2, 3.0};
    const double dx[3] = {0.1, -0.05, 0.02}, dg[3] = {0.12, -0.08, 0.09};
    update_hessian(n, h, dx, dg, kind);
    double hdx[3];
    matrix_times_vector(n, h, 0, dx, hdx, 1.0, 0.0);
    for (int k = 0; k < n; ++k) EXPECT_NEAR(hdx[k], dg[k], 1e-12);
  }
  const double g[3] = {0.3, -0.2, 0.1}, curv[3] = {-0.5, 0.2, 1.0};
  double s[3], predicted = 0;
  const double lambda = trust_region_step(3, g, curv, 0.3, s, &predicted);
  EXPECT_GT(lambda, 0.5);
  EXPECT_NEAR(std::sqrt(vec_dot(3, s, s)), 0.3, 1e-9);
  EXPECT_LT(predicted, 0.0);
}

}  // namespace
}  // namespace ostrel
