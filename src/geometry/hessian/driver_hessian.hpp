#pragma once
// Second derivatives for a level-2 request of the Kohn-Sham theory, which has no analytic
// ones: central differences of analytic gradients about the structure the driver has just
// evaluated.
#include "input/energy_driver.hpp"

namespace ostrel {

// Displacement of the driver's difference Hessian (bohr): large enough to keep the grid's
// noise out of the gradient differences.
inline constexpr double kDriverHessianStep = 0.005;

// Called by the energy driver on every node after the SCF and the gradient of the current
// "Molecule": 6N further SCF runs and gradients, each started from this structure's orbitals
// on its grid. Leaves this structure's "Energy", "Gradient", "Dipole" and orbitals in place and
// adds "Hessian" (packed) and "DipoleX".
void difference_hessian_for_driver(const EnergyProcedures& procedures);

}  // namespace ostrel
