// Force-field fitting: parameters bent away from the ones that made the reference data come
// back; the reference set is read from molecule files with "eng>"-style result groups.

#include "models/mm/mm_fit.hpp"
#include "models/mm/mm_fixture.hpp"
#include "models/mm/mm_parameter_index.hpp"
#include "models/mm/mm_typing.hpp"
#include "runtime/records.hpp"
#include "support/matrices.hpp"
#include "support/molecules.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::captured_stdout;

class MmFitTest : public testing::RuntimeTest {};

// Reference results of the fixture parameters at the structure, every quantity given.
FitMolecule reference(const testing::MmTestMolecule& m, const MmParameters& p, const char* name) {
  FitMolecule r;
  r.name = name;
  r.n = m.n;
  r.xyz = m.xyz;
  r.types = m.types;
  r.bonds = m.bonds;
  for (int k = 0; k < m.n; ++k)  // both directions, as the molecule reader gives them
    for (int x = 0; x < MAX_NEIGHBOURS && m.bonds[MAX_NEIGHBOURS * k + x] >= 0; ++x) {
      int* other = r.bonds.data() + MAX_NEIGHBOURS * m.bonds[MAX_NEIGHBOURS * k + x];
      while (*other >= 0) ++other;
      *other = k;
    }
  const double w[6] = {1.0, 10.0, 1.0, 1.0, 1.0, 1.0};
  for (int k = 0; k < 6; ++k) r.w[k] = w[k];
  r.gradient.resize(3 * m.n);
  r.hessian.resize(3 * m.n * (3 * m.n + 1) / 2);
  r.energy = mm_terms(m.view(), p, r.dipole, r.gradient.data(), r.hessian.data());
  return r;
}

TEST_F(MmFitTest, RecoversParametersThatMadeTheData) {
  testing::MmParameterBlock group(testing::kMmTestGroup);
  // The fit keeps the two stretch-bend constants of H-C-H equal; so does the truth here.
  PoolArray<MmParameters> truth(1), p(1);
  truth[0] = *group;
  truth[0].angle[0].p[4] = truth[0].angle[0].p[3];
  p[0] = truth[0];
  std::vector<FitMolecule> set;
  testing::MmTestMolecule m = testing::cyclobutanol();
  set.push_back(reference(m, truth[0], "cyclobutanol"));
  for (std::size_t k = 0; k < m.xyz.size(); ++k) m.xyz[k] += 0.08 * std::sin(3.0 * k);
  set.push_back(reference(m, truth[0], "distorted"));

  const int ch = mm_bond_record(p[0], 0, 1);
  p[0].bond[ch].p[0] += 0.05;
  p[0].angle[0].p[1] *= 1.3;
  p[0].torsion1[0].p[1] *= 0.5;
  p[0].atom[1].p[0] += 0.1;
  p[0].angle[1].p[2] = p[0].angle[0].p[3] = 0.0;
  std::vector<FitParameter> x = mm_fit_selection(set, p[0]);
  // E0, bonds, angles with their couplings (H-C-H and C-C-C one stretch-bend constant), torsions.
  EXPECT_EQ(x.size(), 4u + 4 * 2 + 6 * 5 - 2 + 7 + 2);
  FitOptions o;
  o.iter = 30;
  o.tol = 1e-10;
  o.prior = 0.0;
  double f = 0.0;
  MmFitModel model(p[0]);
  const std::string printed = captured_stdout([&] { f = fit_minimise(model, set, {}, x, o); });
  EXPECT_LT(f, 1e-16);
  auto moved = [&](const MmParameters& q) {
    return std::vector<double>{q.bond[ch].p[0], q.angle[0].p[1], q.torsion1[0].p[1], q.angle[1].p[2], q.angle[0].p[4]};
  };
  EXPECT_LT(testing::max_difference(moved(p[0]), moved(truth[0])), 1e-6);
  // One composition fixes only the sum of the atoms' E0, which F already checks.
  EXPECT_NE(printed.find("\n iteration  1: f="), std::string::npos);
  EXPECT_NE(printed.find(" cyclobutanol              e="), std::string::npos);
}

TEST_F(MmFitTest, ReadsTheReferenceSetFromFiles) {
  const std::string path = std::string(::testing::TempDir()) + "mm_fit_water.ref";
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fputs((testing::molecule_group(testing::kWaterAtoms) +
              "$Energy\n E=-76.25\n D=0 0 0.8\n G=0 0 0.01 0 0.02 -0.005 0 -0.02 -0.005\n$end\n").c_str(), f);
  std::fclose(f);
  const std::string input = "$file\n w=1,2,0,0,0,0.5\n water " + path + "\n water2 " + path + " w=3,0,0,0,0,0\n$end\n";
  testing::InputFile file(input);
  std::vector<FitMolecule> set;
  // The set as the fitting task reads it, its atoms typed for the force field.
  const std::string printed =
      captured_stdout([&] { set = fit_read_set(file.get(), [](Molecule& m) { mm_assign_types(m); }); });
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ((std::vector<double>{set[0].energy, set[0].w[1], set[1].w[0], set[0].gradient[4]}),
            (std::vector<double>{-76.25, 2.0, 3.0, 0.02}));
  EXPECT_TRUE(set[0].hessian.empty());
  EXPECT_STREQ(set[0].types.data() + NAME_SLOT, "HO");
  EXPECT_NE(printed.find("\n 2 molecules\n"), std::string::npos);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace ostrel
