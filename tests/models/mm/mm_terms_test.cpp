// Force-field energy terms: derivatives against differences, charge flow, exclusions,
// probes, and types for a plain Cartesian molecule.

#include "models/mm/mm_fixture.hpp"
#include "models/mm/mm_typing.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

using testing::MmParameterBlock;
using testing::MmTestMolecule;

class MmTermsTest : public testing::RuntimeTest {};

// Energy, and gradient in `g`, with coordinate k moved by `step`.
double moved(MmTestMolecule& m, const MmParameters& p, int k, double step, std::vector<double>& g) {
  const double kept = m.xyz[k];
  m.xyz[k] += step;
  g.assign(m.xyz.size(), 0.0);
  double dipole[3];
  const double e = mm_terms(m.view(), p, dipole, g.data(), nullptr);
  m.xyz[k] = kept;
  return e;
}

// Fourth-order central differences keep the truncation error far below 1e-7.
void expect_derivatives_match_differences(const MmParameters& p, MmTestMolecule m) {
  const int n3 = 3 * m.n;
  std::vector<double> g(n3), h(n3 * (n3 + 1) / 2), gs[4];
  double dipole[3], es[4];
  mm_terms(m.view(), p, dipole, g.data(), h.data());
  const double step = 1e-3, steps[4] = {2 * step, step, -step, -2 * step};
  double g_err = 0, g_max = 0, h_err = 0, h_max = 0;
  for (int k = 0; k < n3; ++k) {
    for (int s = 0; s < 4; ++s) es[s] = moved(m, p, k, steps[s], gs[s]);
    const double d = (-es[0] + 8 * es[1] - 8 * es[2] + es[3]) / (12 * step);
    g_err = std::fmax(g_err, std::fabs(d - g[k]));
    g_max = std::fmax(g_max, std::fabs(g[k]));
    for (int l = 0; l <= k; ++l) {
      const double dh = (-gs[0][l] + 8 * gs[1][l] - 8 * gs[2][l] + gs[3][l]) / (12 * step);
      const double an = h[k * (k + 1) / 2 + l];
      h_err = std::fmax(h_err, std::fabs(dh - an));
      h_max = std::fmax(h_max, std::fabs(an));
    }
  }
  EXPECT_LT(g_err, 1e-7 * std::fmax(g_max, 1e-3));
  EXPECT_LT(h_err, 1e-7 * h_max);
}

TEST_F(MmTermsTest, GradientAndHessianMatchDifferences) {
  MmParameterBlock p(testing::kMmTestGroup);
  expect_derivatives_match_differences(*p, testing::cyclobutanol());
}

// Straight centres (reference angle 180 degrees): the energy is 0.5 k (theta - pi)^2 and its
// derivatives stay finite and right bent, barely bent and exactly straight.
TEST_F(MmTermsTest, StraightBendIsSmoothThroughTheLine) {
  MmParameterBlock p("$mmdata type H C atom H 0 0 0 0 0 5 0 C 0 0 0 0 0 5 0 "
                     "bond C H 0 0 2.0 0.3 0 C C 0 0 2.3 0.9 0 angle H C C 0 0 3.14159265 0.2 0 0 0 $end");
  for (const double bend : {0.3, 1e-4, 0.0}) {
    MmTestMolecule m;
    m.add("H", -1.06, bend, 0.0);
    m.add("C", 0.0, 0.0, 0.0);
    m.add("C", 1.2, 0.0, 0.0);
    m.add("H", 2.26, 0.5 * bend, 0.7 * bend);
    m.bond(0, 1);
    m.bond(1, 2);
    m.bond(2, 3);
    std::vector<double> g(12);
    double dipole[3], expect = 0.0;
    for (int c = 1; c <= 2; ++c) {  // bends at both carbons, stretches of all three bonds
      const double* x = m.xyz.data();
      const int i = c == 1 ? 0 : 3, k = c == 1 ? 2 : 1;
      double u[3], v[3];
      for (int d = 0; d < 3; ++d) u[d] = x[3 * i + d] - x[3 * c + d], v[d] = x[3 * k + d] - x[3 * c + d];
      const double theta = std::acos((u[0] * v[0] + u[1] * v[1] + u[2] * v[2]) /
                                     (std::hypot(u[0], u[1], u[2]) * std::hypot(v[0], v[1], v[2])));
      expect += 0.1 * (theta - M_PI) * (theta - M_PI) + 0.15 * std::pow(std::hypot(u[0], u[1], u[2]) - 2.0, 2);
    }
    expect += 0.45 * std::pow(m.xyz[6] - 2.3, 2);
    EXPECT_NEAR(mm_terms(m.view(), *p, dipole, g.data(), nullptr), expect, 1e-12) << bend;
    expect_derivatives_match_differences(*p, m);
  }
}

// Two atoms of types A and B one bohr apart on z: the dipole is the charge of B.
double charge_of_b(const std::string& types, const std::string& bond) {
  MmParameterBlock p("$mmdata type " + types + " atom A 0 0 0 0 1 1 0 B 0 0 0 0 1 1 0 bond " + bond +
                     " 0 0 1 1 0.3 $end");
  MmTestMolecule m;
  m.add("A", 0, 0, 0);
  m.add("B", 0, 0, 0.529177210903);
  m.bond(0, 1);
  std::vector<double> g(6);
  double dipole[3];
  mm_terms(m.view(), *p, dipole, g.data(), nullptr);
  return dipole[2] / (m.xyz[5] - m.xyz[2]);
}

TEST_F(MmTermsTest, ChargeFlowsAsWrittenInEitherTypeOrder) {
  EXPECT_NEAR(charge_of_b("A B", "A B"), 0.3, 1e-14);
  EXPECT_NEAR(charge_of_b("B A", "A B"), 0.3, 1e-14);
  EXPECT_NEAR(charge_of_b("A B", "B A"), -0.3, 1e-14);
  EXPECT_NEAR(charge_of_b("B A", "B A"), -0.3, 1e-14);
}

// A bent chain of four atoms without bonded parameters: only the 1-4 pair interacts.
TEST_F(MmTermsTest, NonBondedSkipsOneTwoAndOneThreePairs) {
  MmParameterBlock p("$mmdata type X atom X 0 0 -1.0 0.2 1.5 1.2 0 $end");
  MmTestMolecule m;
  m.add("X", 0, 0, 0);
  m.add("X", 1.5, 0, 0);
  m.add("X", 2.0, 1.4, 0);
  m.add("X", 3.5, 1.5, 0.3);
  m.bond(0, 1);
  m.bond(2, 1);
  m.bond(2, 3);
  std::vector<double> g(12);
  double dipole[3];
  const double e = mm_terms(m.view(), *p, dipole, g.data(), nullptr);
  const double r = std::sqrt(3.5 * 3.5 + 1.5 * 1.5 + 0.3 * 0.3) * 1.8897259885789233;
  const double pair = (0.04 + std::exp(-1.2 * (r - 3.0))) / r;
  EXPECT_NEAR(e, -4.0 + pair, 1e-13);
  double probe[3] = {0, 0, 10}, v = 0;
  testing::MmTestMolecule far = m;
  const MmProbes probes{1, probe, &v};
  mm_terms(far.view(), *p, dipole, g.data(), nullptr, &probes);
  double expect = 0;
  for (int a = 0; a < 4; ++a)
    expect += 0.2 / std::hypot(m.xyz[3 * a], m.xyz[3 * a + 1], m.xyz[3 * a + 2] - 10);
  EXPECT_NEAR(v, expect, 1e-14);
}

TEST_F(MmTermsTest, UnknownTypeStops) {
  MmParameterBlock p(testing::kMmTestGroup);
  MmTestMolecule m;
  m.add("Zz", 0, 0, 0);
  std::vector<double> g(3);
  double dipole[3];
  EXPECT_FATAL(mm_terms(m.view(), *p, dipole, g.data(), nullptr), "'Zz'");
}

TEST_F(MmTermsTest, PlainMoleculeGetsTypesFromBonds) {
  testing::read_test_molecule(testing::molecule_group(testing::kWaterAtoms));
  testing::LoadedMolecule mol;
  const std::string printed = testing::captured_stdout([&] { EXPECT_EQ(mm_assign_types(mol), 3); });
  EXPECT_STREQ(mol.type_name(0), "O2");
  EXPECT_STREQ(mol.type_name(1), "HO");
  EXPECT_NE(printed.find("HO"), std::string::npos);
  EXPECT_EQ(mm_assign_types(mol), 0);  // typed once
}

// Hybridisation from the bond graph alone: carbonyl, aromatic (six- and five-membered),
// olefinic and sp carbon; amine, planar and sp nitrogen. A ring of trigonal carbons closed by
// carbonyls (benzoquinone) is not aromatic.
TEST_F(MmTermsTest, TypesFollowHybridisation) {
  const struct { const char* atoms; const char* types; } cases[] = {
      {" 6 0.282 1.159 0.230\n 6 1.168 0.067 0.396\n 6 0.435 -1.086 0.224\n 7 -0.862 -0.728 -0.040\n"
       " 6 -0.964 0.639 -0.038\n 1 0.528 2.210 0.299\n 1 2.226 0.117 0.617\n 1 0.723 -2.128 0.267\n"
       " 1 -1.624 -1.372 -0.209\n 1 -1.913 1.123 -0.228\n",
       "CA CA CA NP CA H H H HN H"},
      {" 6 -1.086 0.217 -0.017\n 6 0.207 -0.500 -0.280\n 7 1.329 0.130 0.165\n 8 0.271 -1.580 -0.855\n"
       " 1 -1.608 0.372 -0.965\n 1 -0.917 1.192 0.449\n 1 -1.702 -0.389 0.652\n 1 2.206 -0.364 0.058\n"
       " 1 1.299 0.921 0.792\n",
       "C4 CO NP O1 H H H HN HN"},
      {" 6 -0.485 0.028 -0.003\n 6 0.974 -0.057 0.007\n 7 2.132 -0.124 0.015\n 1 -0.926 -0.899 -0.382\n"
       " 1 -0.872 0.201 1.005\n 1 -0.822 0.850 -0.642\n",
       "C4 C2 N1 H H H"},
      {" 8 -0.050 2.657 0.085\n 6 -0.027 1.434 0.046\n 6 -1.274 0.644 0.016\n 6 -1.249 -0.691 -0.027\n"
       " 6 0.027 -1.434 -0.046\n 8 0.050 -2.657 -0.085\n 6 1.274 -0.644 -0.016\n 6 1.249 0.691 0.027\n"
       " 1 -2.201 1.205 0.030\n 1 -2.154 -1.286 -0.050\n 1 2.201 -1.205 -0.030\n 1 2.154 1.286 0.050\n",
       "O1 CO C3 C3 CO O1 C3 C3 H H H H"},
      {" 6 -0.572 0.054 0.015\n 7 0.822 -0.022 -0.383\n 1 -0.673 -0.103 1.093\n 1 -0.983 1.036 -0.236\n"
       " 1 -1.156 -0.708 -0.507\n 1 1.202 -0.930 -0.115\n 1 1.361 0.673 0.133\n",
       "C4 N3 H H H HN HN"},
  };
  for (const auto& c : cases) {
    testing::read_test_molecule(testing::molecule_group(c.atoms));
    testing::LoadedMolecule mol;
    testing::captured_stdout([&] { mm_assign_types(mol); });
    std::string got;
    for (int a = 0; a < mol.n_atoms; ++a) got += std::string(a ? " " : "") + mol.type_name(a);
    EXPECT_EQ(got, c.types);
  }
}

}  // namespace
}  // namespace ostrel
