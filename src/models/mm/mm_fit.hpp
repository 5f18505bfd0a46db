#pragma once
// Fitting force-field parameters to reference energies, gradients, Hessians and dipoles of a
// set of molecules (the task "MM", kind 0 of the parameter fitting).
#include <string>
#include <vector>

#include "models/mm/mm_parameters.hpp"

namespace ostrel {

// One reference molecule: structure, topology and the reference results it came with.
struct MmFitMolecule {
  std::string name, file;
  int n = 0;
  std::vector<double> xyz;
  std::vector<char> types;  // n slots of NAME_SLOT
  std::vector<int> bonds;   // n x MAX_NEIGHBOURS
  double w[6] = {};         // weights: energy, gradient, bond forces, angle forces, Hessian, dipole
  double energy = 0.0, dipole[3] = {};
  std::vector<double> gradient, hessian;  // empty when not given
};

// Residuals of one molecule (appended to r): the energy difference, the gradient differences,
// their projections on the bond stretches and on the bends, the packed Hessian differences
// and the dipole differences, each kind scaled by sqrt(weight / count) so that its squares sum
// to weight x (root-mean-square difference)^2. `kinds` receives those six mean squares.
void mm_fit_residuals(const MmFitMolecule& m, const MmParameters& p, std::vector<double>& r, double kinds[6]);

// A fitted quantity: its name and where it sits in the parameter block.
struct MmFitParameter {
  std::string name;
  double* value;
};

// The parameters of the records some reference molecule uses: bond r0 and k, angle theta0
// and k, torsion barriers, and the atoms' E0 when energies carry weight; in block order.
std::vector<MmFitParameter> mm_fit_selection(const std::vector<MmFitMolecule>& set, MmParameters& p);

struct MmFitOptions {
  double tol = 1e-6;
  int iter = 50;
  int print = 0;
  // Pull of every fitted value towards its start, relative to its size: gradients at a few
  // structures leave combinations such as the reference angles around a tetrahedral centre
  // undetermined, and this keeps them where the starting set put them.
  double prior = 1.0;
};

// Levenberg-Marquardt on the residuals with forward-difference Jacobians; returns the final
// objective. Prints the iteration lines of the fitting task.
double mm_fit_minimise(const std::vector<MmFitMolecule>& set, MmParameters& p, std::vector<MmFitParameter>& x,
                       const MmFitOptions& o);

// The reference molecules of the group "file" (lines "name file w=..."), each file holding a
// "$molecule" group and the results as an "energy" group (an "eng>" block without its tag).
std::vector<MmFitMolecule> mm_fit_read_set(std::FILE* input);

// The task: reads the set and the group "optimize" (tol, iter, print), fits the parameters
// of "mmdata", prints them as a parameter group and stores them as "mm_data".
void mm_fit_parameters();

}  // namespace ostrel
