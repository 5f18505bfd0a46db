#pragma once
// The objective of a parameter fit and its Levenberg-Marquardt minimisation, for any model
// that can evaluate a reference molecule with the current parameter values.
#include <string>
#include <vector>

#include "models/fit/fit_set.hpp"

namespace ostrel {

// What a fitted model provides.
class FitModel {
 public:
  virtual ~FitModel() = default;
  // Brings quantities derived from the fitted values up to date before an evaluation.
  virtual void renew() {}
  // Energy (hartree) and dipole (e bohr) of molecule k of the set; the gradient (3n,
  // hartree/bohr) and packed Hessian are filled when not null.
  virtual double evaluate(std::size_t k, const FitMolecule& m, double* gradient, double* hessian,
                          double dipole[3]) = 0;
  virtual bool has_hessian() const { return true; }
};

// A fitted quantity: its name, where it sits in the model's parameters, and the change that
// costs as much as the prior's unit (0: its own size, at least 0.05).
struct FitParameter {
  std::string name;
  double* value;
  double scale = 0.0;
};

struct FitOptions {
  double tol = 1e-6;
  int iter = 50;
  int print = 0;
  // Pull of every fitted value towards its start, relative to its size: gradients at a few
  // structures leave combinations such as the reference angles around a tetrahedral centre
  // undetermined, and this keeps them where the starting set put them.
  double prior = 1.0;
};

// The input of a fitting task: the group "optimize" (tol, iter, print, prior), the reference
// set and the reactions; prints the task's heading first.
struct FitTask {
  FitOptions options;
  std::vector<FitMolecule> set;
  std::vector<FitReaction> reactions;
};
FitTask fit_read_task(std::FILE* input, const std::function<void(Molecule&)>& label = {});

// Residuals of one molecule (appended to r): the energy difference, the gradient differences,
// their projections on the bond stretches and on the bends, the packed Hessian differences
// and the dipole differences, each kind scaled by sqrt(weight / count) so that its squares sum
// to weight x (root-mean-square difference)^2. `kinds` receives those six mean squares;
// returns the model's energy.
double fit_residuals(FitModel& model, std::size_t k, const FitMolecule& m, std::vector<double>& r, double kinds[6]);

// Levenberg-Marquardt on the residuals of the molecules and reactions with forward-difference
// Jacobians; returns the final objective. Prints the iteration lines of the fitting task.
double fit_minimise(FitModel& model, const std::vector<FitMolecule>& set, const std::vector<FitReaction>& reactions,
                    std::vector<FitParameter>& x, const FitOptions& o);

// Prints the chosen parameters: "\n %d parameters" and one line each.
void fit_print_parameters(const std::vector<FitParameter>& x);

}  // namespace ostrel
