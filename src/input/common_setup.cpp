#include "input/common_setup.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry/optimize_options.hpp"
#include "input/control_options.hpp"
#include "input/element_table.hpp"
#include "input/group.hpp"
#include "input/provided_results.hpp"
#include "input/task_dispatch.hpp"
#include "input/theory_class.hpp"
#include "model/basis_input.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_input.hpp"
#include "model/result_groups.hpp"
#include "models/mm/mm_parameter_reader.hpp"
#include "models/nddo/nddo_parameters_read.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "scf/grid/grid_options.hpp"
#include "scf/guess/guess_driver.hpp"
#include "scf/procedure/scf_options.hpp"

namespace ostrel {

void read_ci_options(std::FILE* input) {
  if (!is_master) return;
  int ndiis[2] = {5, 8};
  // The SCF options normally come first; without them the SCF's own default applies.
  int iterations = record_exists(rec::iterations) ? record_field(rec::iterations, &IterationLimits::outer) : 48;
  int v4 = 0;
  double ecut = 1e-8;
  const InputVar vars[] = {
      {"ndiis", IN_INT, 2, ndiis},
      {"iterations", IN_INT, 1, &iterations},
      {"v4", IN_INT, 1, &v4},
      {"ecut", IN_REAL, 1, &ecut},
  };
  read_group(input, "ci", 4, vars);
  record_write(rec::ci_ndiis, ndiis, 2);
  record_put(rec::ci_Niter, iterations);
  record_put(rec::ci_v4, v4);
  record_put(rec::ci_ecut, ecut);
}

namespace {

constexpr int kSlotsPerAtom = 16;

void read_order(std::FILE* input, int m) {
  PoolArray<int> order(m);
  for (int i = 0; i < m; ++i) order[i] = i + 1;
  const InputVar vars[] = {{"n", IN_INT, m, order.data()}};
  read_group(input, "order", 1, vars);
  for (int i = 0; i < m; ++i) order[i] -= 1;
  record_write(rec::guess_na, order.span());
}

void read_orbitals(std::FILE* input, int m) {
  PoolArray<double> c(static_cast<std::int64_t>(m) * m);
  PoolArray<double> e(m);
  for (double& x : c) x = 0;
  for (double& x : e) x = 0;
  int n = m;
  const InputVar vars[] = {
      {"n", IN_INT, 1, &n},
      {"c", IN_REAL, m * m, c.data()},
      {"e", IN_REAL, m, e.data()},
  };
  read_group(input, "ce", 3, vars);
  if (n < 0 || n > m) fatal_error("*** error in '$ce' : n=%d outside 0..%d\n", n, m);
  record_put(rec::guess_nc, n);
  record_write(rec::guess_Ca, c.data(), std::int64_t{n} * n);
  record_write(rec::guess_ea, e.data(), n);
}

}  // namespace

void read_nddo_guess_groups(std::FILE* input) {
  if (!is_master) return;
  const int m = kSlotsPerAtom * record_field(rec::Natom, &PerStructure::whole);
  read_order(input, m);
  read_orbitals(input, m);
}

namespace {

bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

bool is_path_task(const char* task) {
  return same(task, "PATH") || same(task, "PATHR") || same(task, "SADDLE") || same(task, "TRANSIT");
}

bool is_model_theory(const char* theory) {
  return same(theory, "SCRIPT") || same(theory, "MM") || same(theory, "NDDO");
}

void read_molecule_model(const char* task) {
  if (is_path_task(task)) {
    read_molecule_chain();
  } else if (read_molecule("Molecule", "", "molecule", 1, 1) != 0) {
    fatal_error("\n molecule?\n");
  }
}

// Basis sets, core potentials or model data by theory; returns the fitting kind, which the
// models and the external program do without.
int read_model_data(const char* theory, const std::string& bfname, int four, int dual, int fit) {
  const int zero = 0;
  if (is_model_theory(theory)) {
    record_put(rec::Nbasis, zero);
    record_put(rec::Necp, zero);
    if (same(theory, "MM")) read_mm_parameters(bfname.c_str(), "mmdata");
    if (same(theory, "NDDO")) read_nddo_parameters(bfname.c_str(), "nddo_data");
    return 0;
  }
  // The four-component variants share the two-component basis sizing.
  const int relativistic = four > 2 ? 2 : four;
  read_core_potentials(bfname.c_str());
  read_basis(bfname.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, relativistic, 0);
  if (dual == 0)
    record_put(rec::Nbasis1, zero);
  else
    read_basis(bfname.c_str(), "basis", "Basis1", "Nbasis1", "n_basis1", 1, relativistic, 0);
  return fit;
}

void read_fitting_basis(const std::string& bfname, int fit) {
  record_put(rec::fit, fit);
  if (fit == 0) {
    const int zero = 0;
    record_put(rec::Nfit, zero);
  } else {
    read_basis(bfname.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, fit == 'V');
  }
}

}  // namespace

bool task_reads_optimizer_options(const char* task) {
  static const char* const kWords[] = {"OPTIMIZE", "SCAN", "PATH",     "SADDLE",
                                       "IRC",      "EXTREMAL", "IRC4", "TRANSIT"};
  for (const char* word : kWords)
    if (std::strstr(task, word)) return true;
  return false;
}

void common_setup(const char* task, std::FILE* input) {
  char theory[64] = {};
  if (is_master) {
    record_read(rec::theory, theory, 64);
    const std::string bfname = record_text(rec::bfname);
    const int four = record_get(rec::four);
    const int dual = record_get(rec::dual);
    int fit = record_get(rec::fit);
    read_molecule_model(task);
    fit = read_model_data(theory, bfname, four, dual, fit);
    read_fitting_basis(bfname, fit);
  }
  mp_bcast(theory, 64, MP_BYTE);
  theory[63] = '\0';
  build_element_table("Atoms", input);

  if (same(theory, "NDDO")) {
    read_nddo_guess_groups(input);
  } else if (!same(theory, "MM") && !same(theory, "SCRIPT")) {
    scf_setup_options();
    grid_setup_options();
    read_ci_options(input);
    guess_read_options();
  }
  read_provided_results("energy", input);
  if (is_master && print_option("PRINT", "MMDATA", 0) != 0) write_mm_block();
  if (task_reads_optimizer_options(task)) read_optimize_options();
}

void select_task() {
  control_step(stdin);

  char task[64] = {};
  char theory[64] = {};
  int four = 0;
  if (is_master) {
    record_read(rec::task, task, 64);
    record_read(rec::theory, theory, 64);
    four = record_get(rec::four);
  }
  mp_bcast(task, 64, MP_BYTE);
  task[63] = '\0';

  // Stop before any reading when the request cannot be served.
  require_task_available(task);
  const TaskRoute* route = find_task_route(task);
  if (!route || route->setup) {
    mp_bcast(theory, 64, MP_BYTE);
    mp_bcast(&four, 1, MP_INT);
    theory[63] = '\0';
    require_theory_available(theory, four);
    common_setup(task, stdin);
  }
  run_task(task);
}

}  // namespace ostrel
