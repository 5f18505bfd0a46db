// NDDO parameter fitting: reference data made with the shipped MNDO oxygen, a start with bent
// oxygen values, the fitted file read back, and a reaction energy inside the objective.
#include <cstring>
#include <memory>

#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_fit.hpp"
#include "models/nddo/nddo_fixture.hpp"
#include "support/matrices.hpp"

namespace ostrel::testing {
namespace {

class NddoFit : public NddoTest {
 protected:
  void SetUp() override {
    NddoTest::SetUp();
    use_model("mndo");
    truth_ = std::make_unique<NddoParameters>();
    std::memcpy(truth_->element, data_.data(), sizeof(NddoParameters));
    // Water at two structures and the hydroxide anion: energies, gradients and dipoles.
    add("water", kWaterAtoms, 0);
    add("bent", " 8 0 0 0.1\n 1 0 0.81 -0.45\n 1 0 -0.70 -0.52\n", 0);
    add("hydroxide", kHydroxylAtoms, -1);
  }
  void add(const char* name, const char* atoms, int charge) {
    use_molecule(atoms, charge);
    const testing::LoadedMolecule mol;
    FitMolecule m;
    m.name = name;
    m.n = mol.n_atoms;
    m.charge = charge;
    m.z.assign(mol.z, mol.z + m.n);
    m.xyz.assign(mol.xyz, mol.xyz + 3 * m.n);
    m.mass.assign(mol.mass, mol.mass + m.n);
    m.types.assign(mol.type_names, mol.type_names + NAME_SLOT * m.n);
    m.bonds.assign(mol.bonds, mol.bonds + MAX_NEIGHBOURS * m.n);
    const double w[6] = {1.0, 1.0, 0.0, 0.0, 0.0, 0.1};
    std::memcpy(m.w, w, sizeof w);
    std::vector<double> g;
    const NddoResult r = evaluate(&g);
    m.energy = r.energy;
    m.gradient = g;
    std::memcpy(m.dipole, r.dipole, sizeof m.dipole);
    set_.push_back(std::move(m));
  }
  double fit(NddoParameters& p, std::vector<FitParameter>& x, const std::vector<FitReaction>& reactions, int iter,
             std::string* printed = nullptr) {
    FitOptions o;
    o.iter = iter;
    o.tol = 1e-9;
    o.prior = 0.0;
    double f = 0.0;
    NddoFitModel model(p, set_);
    const std::string out = captured_stdout([&] { f = fit_minimise(model, set_, reactions, x, o); });
    if (printed) *printed = out;
    return f;
  }
  std::vector<FitParameter> oxygen(NddoParameters& p, const char* names) {
    return nddo_fit_selection(InputFile(std::string("$parameters\n O ") + names + "\n$end\n").get(), p);
  }

  std::unique_ptr<NddoParameters> truth_;
  std::vector<FitMolecule> set_;
};

TEST_F(NddoFit, RecoversBentOxygenAndWritesAFileThatReadsBack) {
  auto p = std::make_unique<NddoParameters>(*truth_);
  NddoElement& o = p->element[8];
  std::vector<FitParameter> x = oxygen(*p, "Upp beta_p zeta_p alpha");
  ASSERT_EQ(x.size(), 4u);
  EXPECT_EQ(x[1].name, "O:beta_p");
  o.h[1] += 0.3;
  o.bh[1] *= 1.05;
  o.ah[1] -= 0.02;
  o.ap[0] += 0.05;
  // A consistent starting file: its E0 holds the same atomic heat of formation.
  auto isolated = [](const NddoElement& e) { return nddo_isolated_atom_energy(nddo_atom(e, 8), 4, 4) / kNddoEv; };
  o.E0 += isolated(truth_->element[8]) - isolated(o);
  std::string printed;
  const double start = fit(*p, x, {}, 0);
  const double f = fit(*p, x, {}, 30, &printed);
  EXPECT_GT(start, 1e-4);
  EXPECT_LT(f, 1e-16);
  const NddoElement& t = truth_->element[8];
  EXPECT_LT(testing::max_difference({o.h[1], o.bh[1]}, {t.h[1], t.bh[1]}), 1e-5);
  EXPECT_LT(testing::max_difference({o.ah[1], o.ap[0]}, {t.ah[1], t.ap[0]}), 1e-6);
  // E0 follows Upp back to its published value: the atomic heat of formation stays fixed.
  EXPECT_NEAR(o.E0, t.E0, 1e-8);
  EXPECT_NE(printed.find("\n iteration  1: f="), std::string::npos);
  EXPECT_NE(printed.find(" hydroxide                 e="), std::string::npos);

  // The written group reads back to the written values, to the writer's eight decimals.
  const std::string text = nddo_written(*p);
  auto back = std::make_unique<NddoParameters>();
  nddo_parse(text, *back);
  EXPECT_EQ(nddo_written(*back), text);
  EXPECT_NEAR(back->element[8].bh[1], o.bh[1], 5e-9);
  EXPECT_NEAR(back->element[8].E0, o.E0, 5e-9);
  EXPECT_EQ(std::memcmp(&back->element[1], &p->element[1], sizeof(NddoElement)), 0);
}

TEST_F(NddoFit, ReactionEnergyEntersTheObjective) {
  auto p = std::make_unique<NddoParameters>(*truth_);
  std::vector<FitParameter> x = oxygen(*p, "Uss");
  // The published parameters reproduce every molecule; only the reaction is 0.01 hartree off.
  const double reaction = set_[1].energy - set_[0].energy + 0.01;
  const std::vector<FitReaction> list{{"bend", reaction, 2.0, {1, 0}, {1.0, -1.0}}};
  std::string printed;
  EXPECT_NEAR(fit(*p, x, {}, 0), 0.0, 1e-20);
  EXPECT_NEAR(fit(*p, x, list, 0, &printed), 2.0 * 1e-4, 1e-12);
  EXPECT_NE(printed.find(" react.    1         bend  e=0.0100000000"), std::string::npos);
  // Uss shifts both water energies alike and cannot close the gap: the fit keeps F.
  EXPECT_NEAR(fit(*p, x, list, 5), 2.0 * 1e-4, 1e-8);
}

TEST_F(NddoFit, NamesPointIntoTheElementOrStop) {
  auto p = std::make_unique<NddoParameters>(*truth_);
  NddoElement& o = p->element[8];
  const std::vector<FitParameter> x = oxygen(*p, "h1 Upp bh0 1br1 at1 f01");
  ASSERT_EQ(x.size(), 6u);
  const double* want[] = {&o.h[1], &o.h[1], &o.bh[0], &o.br[0][1], &o.at[1], &o.f0[1]};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(x[k].value, want[k]) << k;
  EXPECT_FATAL(oxygen(*p, "h2"), "\n $parameters: 'h2' of O?\n");      // oxygen has no d shell
  EXPECT_FATAL(oxygen(*p, "2br0"), "\n $parameters: '2br0' of O?\n");  // one "br" set
  EXPECT_FATAL(oxygen(*p, "Uss zeta_d"), "\n $parameters: 'zeta_d' of O?\n");
  EXPECT_FATAL(oxygen(*p, "K1"), "\n $parameters: 'K1' of O?\n");  // MNDO has no Gaussians
  EXPECT_FATAL(oxygen(*p, "ac01"), "\n $parameters: 'ac01' of O?\n");
  InputFile in("$parameters\n Xe Uss\n$end\n");
  EXPECT_FATAL(nddo_fit_selection(in.get(), *p), "\n $parameters: element 'Xe' has no NDDO parameters\n");
}

}  // namespace
}  // namespace ostrel::testing
