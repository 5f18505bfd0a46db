#pragma once

namespace ostrel {

// Energy control of the SCF steps. Each step starts from an accepted point whose orbitals
// are kept; when the energy of the point it reaches lies above that point's, the step is
// taken back and shortened along the same direction, so the energies of accepted points
// never rise (up to the rounding of the energy sums). A trust radius ("scf_trust") bounds
// the steps: a taken-back step leaves it at the length that was accepted; it then follows
// how well the step's quadratic model (for BFGS: half the slope) predicted the change.
// Every node calls these together; the state is the same on all.
struct ScfStepControl {
  bool pending = false;  // a step left the accepted point and its energy is still to come
  double energy = 0.0;   // energy of the accepted point
  double slope = 0.0;    // dE/dt of the step t X at t = 0
  double model = 0.0;    // energy change the step's model predicts
  double length = 0.0;   // 2-norm of the step
  double max_radius = 0.0;
  // The last taken-back step's energy rose almost as the square of its length: its
  // direction barely points downhill, and shortening it gains little.
  bool poor_direction = false;
};

// Records of the control ("scf.C0a", "scf.C0b", "scf_trust"), after the quasi-Newton
// records, with the largest trust radius (2-norm of a step); scf_step_control_end frees them.
void scf_step_control_begin(ScfStepControl& c, double max_radius);
void scf_step_control_end();

// Lowers the trust radius to at most `radius`.
void scf_step_limit(const ScfStepControl& c, double radius);

// After the step "scf_X" from the accepted point of energy `energy` is formed and before it
// is applied: keeps the orbitals and measures the step.
void scf_step_taken(ScfStepControl& c, double energy);

// The energy of the point the pending step reached: true when it is accepted (the trust
// radius then follows the model's success); otherwise the orbitals are back at the accepted
// point and "scf_X" holds the shortened step (zero with `last`, to end there); the BFGS
// history is dropped and the step pairs with no update. `shortened` receives the factor.
bool scf_step_accepted(ScfStepControl& c, double energy, bool last, double* shortened);

}  // namespace ostrel
