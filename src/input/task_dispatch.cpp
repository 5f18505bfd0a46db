#include "input/task_dispatch.hpp"

#include <cstdlib>
#include <cstring>

#include "geometry/hessian/second_derivatives.hpp"
#include "geometry/paths/approximate_saddle.hpp"
#include "geometry/paths/coordinate_scan.hpp"
#include "geometry/paths/gradient_extremal.hpp"
#include "geometry/paths/irc_path.hpp"
#include "geometry/paths/irc_runge_kutta.hpp"
#include "geometry/paths/minimum_energy_path.hpp"
#include "geometry/paths/steric_probe.hpp"
#include "geometry/paths/synchronous_transit.hpp"
#include "geometry/run_optimization.hpp"
#include "geometry/vibrations/anharmonic_scan.hpp"
#include "geometry/vibrations/harmonic_analysis.hpp"
#include "input/energy_driver.hpp"
#include "linalg/multiply_task.hpp"
#include "models/fit_parameters.hpp"
#include "models/mm/mm_dynamics.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "scf/guess/guess_driver.hpp"

namespace ostrel {
namespace {

void hessian_task() {
  if (second_derivatives() == 0) vibrational_analysis();
}

void anharmonic_task() {
  second_derivatives();
  anharmonic_corrections();
}

// Test tasks end the run here, through the exit handlers, with success.
void end_test_run() { std::exit(0); }

// Exact names first, then prefixes; the first match wins. Properties, density-matrix
// comparisons and auxiliary-basis work have no implementation here and stop the run
// instead of finishing as if they had done something.
const TaskRoute kRoutes[] = {
    {"NDDO", false, false, [] { fit_parameters(1); }},
    {"MM", false, false, [] { fit_parameters(0); }},
    {"ENERGY", false, true, [] { evaluate(0); }},
    {"GUESS", false, true, initial_guess},
    {"FRAGMENT_GUESS", false, true, fragment_guess},
    {"GRADIENT", false, true, [] { evaluate(1); }},
    {"OPTIMIZE", false, true, run_optimization},
    {"HESSIAN", false, true, hessian_task},
    {"ANHARMONIC", false, true, anharmonic_task},
    {"SCAN", false, true, coordinate_scan},
    {"DYNAMIC", false, true, mm_dynamics},
    {"SADDLE", false, true, approximate_saddle_search},
    {"IRC", false, true, irc_path},
    {"IRC4", false, true, irc_runge_kutta},
    {"EXTREMAL", false, true, gradient_extremal_path},
    {"PATH", false, true, minimum_energy_path},
    {"PATHX", false, true, minimum_energy_path},
    {"TRANSIT", false, true, synchronous_transit},
    {"STERIC", false, true, steric_probe},
    {"DIPOLE", false, true, nullptr},
    {"POLARIZABILITY", false, true, nullptr},
    {"NMR", false, true, nullptr},
    {"COMPARE", false, true, nullptr},
    {"NUMERIC", false, true, nullptr},
    {"RITEST", false, true, nullptr},
    {"RIOPT", false, true, nullptr},
    {"TEST_V44BBA", false, true, nullptr},
    {"MULTIPLY", true, true, run_multiply_test},
    {"TEST", true, true, end_test_run},
};

bool matches(const TaskRoute& r, const char* task) {
  if (r.prefix) return std::strncmp(task, r.name, std::strlen(r.name)) == 0;
  return std::strcmp(task, r.name) == 0;
}

// The built-in quantum-chemical theory is Kohn-Sham DFT without relativistic terms; the
// others come from models or an external program.
bool theory_available(const char* theory, int four) {
  if (std::strcmp(theory, "DFT") == 0) return four == 0;
  return std::strcmp(theory, "SCRIPT") == 0 || std::strcmp(theory, "MM") == 0 ||
         std::strcmp(theory, "NDDO") == 0;
}

}  // namespace

const TaskRoute* find_task_route(const char* task) {
  for (const TaskRoute& r : kRoutes)
    if (!r.prefix && matches(r, task)) return &r;
  for (const TaskRoute& r : kRoutes)
    if (r.prefix && matches(r, task)) return &r;
  return nullptr;
}

void require_task_available(const char* task) {
  const TaskRoute* route = find_task_route(task);
  if (route && !route->run) fatal_error("\n task %s is not available in this build\n", task);
}

void require_theory_available(const char* theory, int four) {
  if (theory_available(theory, four)) return;
  if (std::strcmp(theory, "DFT") == 0)
    fatal_error("\n theory DFT with four=%d is not available in this build\n", four);
  fatal_error("\n theory %s is not available in this build\n", theory);
}

void run_task(const char* task) {
  const TaskRoute* route = find_task_route(task);
  if (!route) return;
  require_task_available(task);
  route->run();
}

}  // namespace ostrel
