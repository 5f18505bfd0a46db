#pragma once
// Fitting NDDO element parameters to reference heats of formation (as energies), gradients
// and dipoles of a set of molecules, and to reaction energies (the task "NDDO", kind 1 of
// the parameter fitting).
#include <cstdio>
#include <vector>

#include "models/fit/fit_minimise.hpp"
#include "models/nddo/nddo_parameters.hpp"

namespace ostrel {

// The NDDO model as a fitted model (reference Hessians are not used: the model has no second
// derivatives). Each molecule's SCF starts from its previous orbitals.
// The atoms' constants E0 follow the fitted values so that the atomic heats of formation
// they hold stay fixed: a change of Uss, Upp or the one-centre integrals changes the free
// atom's energy by the same amount as E0 is lowered.
class NddoFitModel : public FitModel {
 public:
  NddoFitModel(NddoParameters& p, const std::vector<FitMolecule>& set);
  void renew() override;
  double evaluate(std::size_t k, const FitMolecule& m, double* gradient, double* hessian, double dipole[3]) override;
  bool has_hessian() const override { return false; }

 private:
  NddoParameters& p_;
  std::vector<int> elements_;
  std::vector<double> e0_, isolated_;  // per element of the set, at the start
  std::vector<std::vector<double>> orbitals_;
};

// The fitted values of the group "parameters": lines "symbol name name ...", names Uss Upp
// beta_s beta_p zeta_s zeta_p alpha Gss Gpp Gsp Gp2 Hsp and the Gaussian terms K1..K6
// (amplitudes), L1..L6 (widths), M1..M6 (centres), or the file's own names: an item with
// its shell ("h0", "bh1", "f01"), a "br" set with its shell ("1br0"), a Gaussian slot
// ("ac01", "ec02": shell, then term); stops on an unknown name or element.
std::vector<FitParameter> nddo_fit_selection(std::FILE* input, NddoParameters& p);

// The task: reads the set, the reactions, the groups "optimize" and "parameters", fits the
// parameters of "nddo_data" (from the file named by "bfname" when absent), prints them as
// a "$nddo" group and stores them back as "nddo_data".
void nddo_fit_parameters();

}  // namespace ostrel
