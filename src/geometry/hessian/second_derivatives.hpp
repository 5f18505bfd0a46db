#pragma once
// The Hessian step of the tasks HESSIAN and ANHARMONIC: analytic second derivatives from
// the energy driver, or finite differences of analytic gradients, dipoles and
// polarizabilities ("num_nd" 1 forward, 2 central; step "num_dx"; steps "num_kd").
#include "input/energy_driver.hpp"

namespace ostrel {

// 0 when the Hessian is in the store ("Hessian", "DipoleX", "PolarizX" and the third
// "haveE" flag set), 1 when steps remain for a later run. A range of steps may be split over
// several runs with the same scratch directory: each run keeps its points in a file there,
// and the run that finds every step done assembles the Hessian. Every node calls it.
int second_derivatives();

// The same with the given Kohn-Sham procedures of the energy driver (tests).
int second_derivatives_with(const EnergyProcedures& procedures);

}  // namespace ostrel
