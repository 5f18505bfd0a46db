// Force-field energy terms: derivatives against differences, charge flow, exclusions,
// probes, and types for a plain Cartesian molecule.
#include <cmath>
#include <string>
#include <vector>

#include "model/molecule_record.hpp"
#include "models/mm/mm_fixture.hpp"
#include "models/mm/mm_typing.hpp"
#include "support/fatal_trap.hpp"
#include "support/model_input.hpp"
#include "support/molecules.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::MmParameterBlock;
using testing::MmTestMolecule;

class MmTermsTest : public testing::RuntimeTest {};

double energy_at(MmTestMolecule& m, const MmParameters& p, int k, double step) {
  const double kept = m.xyz[k];
  m.xyz[k] += step;
  std::vector<double> g(m.xyz.size());
  double dipole[3];
  const double e = mm_terms(m.view(), p, dipole, g.data(), nullptr);
  m.xyz[k] = kept;
  return e;
}

std::vector<double> gradient_at(MmTestMolecule& m, const MmParameters& p, int k, double step) {
  const double kept = m.xyz[k];
  m.xyz[k] += step;
  std::vector<double> g(m.xyz.size());
  double dipole[3];
  mm_terms(m.view(), p, dipole, g.data(), nullptr);
  m.xyz[k] = kept;
  return g;
}

// Fourth-order central differences keep the truncation error far below 1e-7.
TEST_F(MmTermsTest, GradientAndHessianMatchDifferences) {
  MmParameterBlock p(testing::kMmTestGroup);
  MmTestMolecule m = testing::cyclobutanol();
  const int n3 = 3 * m.n;
  std::vector<double> g(n3), h(n3 * (n3 + 1) / 2);
  double dipole[3];
  mm_terms(m.view(), *p, dipole, g.data(), h.data());
  const double step = 1e-3;
  double g_err = 0, g_max = 0, h_err = 0, h_max = 0;
  for (int k = 0; k < n3; ++k) {
    const double d = (-energy_at(m, *p, k, 2 * step) + 8 * energy_at(m, *p, k, step) -
                      8 * energy_at(m, *p, k, -step) + energy_at(m, *p, k, -2 * step)) / (12 * step);
    g_err = std::fmax(g_err, std::fabs(d - g[k]));
    g_max = std::fmax(g_max, std::fabs(g[k]));
    const auto a = gradient_at(m, *p, k, 2 * step), b = gradient_at(m, *p, k, step);
    const auto c = gradient_at(m, *p, k, -step), e = gradient_at(m, *p, k, -2 * step);
    for (int l = 0; l <= k; ++l) {
      const double dh = (-a[l] + 8 * b[l] - 8 * c[l] + e[l]) / (12 * step);
      const double an = h[k * (k + 1) / 2 + l];
      h_err = std::fmax(h_err, std::fabs(dh - an));
      h_max = std::fmax(h_max, std::fabs(an));
    }
  }
  EXPECT_GT(g_max, 1e-3);
  EXPECT_LT(g_err, 1e-7 * g_max);
  EXPECT_LT(h_err, 1e-7 * h_max);
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
  Molecule mol = load_molecule(0, "Molecule");
  const std::string printed = testing::captured_stdout([&] { EXPECT_EQ(mm_assign_types(mol), 3); });
  EXPECT_STREQ(mol.type_name(0), "O2");
  EXPECT_STREQ(mol.type_name(1), "HO");
  EXPECT_NE(printed.find("HO"), std::string::npos);
  EXPECT_EQ(mm_assign_types(mol), 0);  // typed once
  release_molecule(mol);
}

}  // namespace
}  // namespace ostrel
