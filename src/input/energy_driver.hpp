#pragma once

namespace ostrel {

// The steps of the Kohn-Sham evaluation that live in other modules. `evaluate` uses the
// real ones; tests drive the bookkeeping around them with stand-ins.
struct EnergyProcedures {
  void (*initial_guess)();
  void (*scf_run)();
  void (*save_vectors)(const char* file, int n_basis);
  void (*scf_report)(const char* theory);
  void (*nuclear_gradient)();
};

// The energy (level 0), gradient (1) or Hessian (2) of the current model at "Molecule";
// every node calls it.
void evaluate(int level);

EnergyProcedures default_energy_procedures();

// `evaluate` with the given procedures (every node calls it, like evaluate).
void evaluate_with(int level, const EnergyProcedures& procedures);

}  // namespace ostrel
