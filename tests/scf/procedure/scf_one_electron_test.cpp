// The one-electron set-up of the SCF: nuclear repulsion and H0 with and without a field, and
// the stored quantities of the Coulomb fit.
#include "scf/procedure/scf_one_electron.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

// Water with the oxygen off the origin, so the field term of its functions is not zero.
class ScfOneElectron : public testing::RuntimeTest {
 protected:
  void prepare(int fit, int n3fit, const double field[3]) {
    const testing::FitSet set = !fit ? testing::FitSet::none : fit == 'V' ? testing::FitSet::coulomb : testing::FitSet::overlap;
    testing::read_test_model(std::string("$molecule cartesian\n set=def2-SVP\n") + testing::kWaterAtoms + "$end\n", set);
    testing::put_reals("cutij", {1e-10, 1e-6});
    store_write("field", 0, field, 24);
    store_put("four", 0);
    store_put("fit", fit);
    store_put("N3fit", n3fit);
  }
  std::string run() { return testing::captured_stdout([&] { scf_one_electron_setup(); }); }
};

TEST_F(ScfOneElectron, FieldAddsToTheNuclearEnergyAndSubtractsTheDipoleFromH0) {
  const double none[3] = {0.0, 0.0, 0.0};
  prepare(0, 0, none);
  EXPECT_EQ(run().find("Applied"), std::string::npos);
  const double enn0 = store_get<double>("Enn");
  const std::vector<double> s = testing::get_reals("S"), h0 = testing::get_reals("H0");
  // Naive nuclear repulsion and nuclear dipole from the stored atoms.
  Molecule m = load_molecule(0, "Molecule");
  double enn = 0.0, dipole = 0.0;
  for (int a = 0; a < 3; ++a) {
    dipole += m.charge[a] * m.xyz[3 * a + 2];
    for (int b = 0; b < a; ++b)
      enn += m.charge[a] * m.charge[b] /
             std::hypot(m.xyz[3 * a] - m.xyz[3 * b], m.xyz[3 * a + 1] - m.xyz[3 * b + 1], m.xyz[3 * a + 2] - m.xyz[3 * b + 2]);
  }
  const double z_oxygen = m.xyz[2];
  release_molecule(m);
  EXPECT_NEAR(enn0, enn, 1e-12);
  EXPECT_NEAR(s[0], 1.0, 1e-12);  // normalised oxygen 1s

  restart();
  const double field[3] = {0.0, 0.0, 0.01};
  prepare(0, 0, field);
  const std::string out = run();
  EXPECT_NE(out.find(" Applied electric field = ( 0.00000000,  0.00000000,  0.01000000)\n"),
            std::string::npos) << out;
  EXPECT_NEAR(store_get<double>("Enn") - enn0, 0.01 * dipole, 1e-12);
  // The oxygen 1s sits on the oxygen: <1s|z|1s> = z_O.
  EXPECT_NEAR(testing::get_reals("H0")[0] - h0[0], -0.01 * z_oxygen, 1e-11);
  EXPECT_EQ(testing::get_reals("S"), s);
}

TEST_F(ScfOneElectron, CoulombFitStoresMomentsInverseMetricAndProjection) {
  const double none[3] = {0.0, 0.0, 0.0};
  prepare('V', 'V', none);
  run();
  const int m = store_get<int>("Nfit");
  ASSERT_GT(m, 0);
  const std::vector<double> inv = testing::get_reals("invA"), s = testing::get_reals("s"), p = testing::get_reals("p");
  ASSERT_EQ((std::vector<std::size_t>{inv.size(), s.size(), p.size()}),
            (std::vector<std::size_t>{std::size_t(m) * (m + 1) / 2, 4u * m, std::size_t(m)}));
  // p = invA s by the full matrix, and s . invA s > 0 (the metric is positive definite).
  double quadratic = 0.0;
  for (int i = 0; i < m; ++i) {
    double sum = 0.0;
    for (int j = 0; j < m; ++j) {
      const int hi = i > j ? i : j, lo = i > j ? j : i;
      sum += inv[static_cast<std::size_t>(hi) * (hi + 1) / 2 + lo] * s[j];
    }
    EXPECT_NEAR(p[i], sum, 1e-10 * (1.0 + std::fabs(sum))) << i;
    quadratic += s[i] * p[i];
  }
  EXPECT_GT(quadratic, 0.0);
}

TEST_F(ScfOneElectron, OverlapMetricNeedsN3fit) {
  const double none[3] = {0.0, 0.0, 0.0};
  prepare('S', 0, none);
  testing::captured_stdout([&] { EXPECT_FATAL(scf_one_electron_setup(), "overlap-metric fit needs N3fit"); });
}

}  // namespace
}  // namespace ostrel
