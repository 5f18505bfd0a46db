#pragma once
// Fitting force-field parameters to reference energies, gradients, Hessians and dipoles of a
// set of molecules (the task "MM", kind 0 of the parameter fitting).
#include <vector>

#include "models/fit/fit_minimise.hpp"
#include "models/mm/mm_parameters.hpp"

namespace ostrel {

// The force field as a fitted model: the molecules carry their atom types.
class MmFitModel : public FitModel {
 public:
  explicit MmFitModel(MmParameters& p) : p_(p) {}
  void renew() override;
  double evaluate(std::size_t k, const FitMolecule& m, double* gradient, double* hessian, double dipole[3]) override;

 private:
  MmParameters& p_;
};

// The parameters of the records some reference molecule uses: bond r0 and k, angle theta0
// and k (with the stretch-bend couplings where a reference Hessian carries weight: both for
// an angle between two bond types, one for an angle between two bonds of one type; a straight
// angle keeps its reference and stays uncoupled), and the atoms' E0 and the torsion barriers
// when energies carry weight; in block order.
std::vector<FitParameter> mm_fit_selection(const std::vector<FitMolecule>& set, MmParameters& p);

// The task: reads the set and the group "optimize" (tol, iter, print), fits the parameters
// of "mmdata", prints them as a parameter group and stores them as "mm_data".
void mm_fit_parameters();

}  // namespace ostrel
