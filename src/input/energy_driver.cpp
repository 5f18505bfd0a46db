// Energy and derivative driver: runs the chosen theory on the structure in "Molecule",
// guards derivatives against an unconverged SCF, counts evaluations and prints "eng>".
#include "input/energy_driver.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry/external_energy.hpp"
#include "geometry/hessian/driver_hessian.hpp"
#include "model/result_groups.hpp"
#include "models/mm/mm_energy.hpp"
#include "models/nddo/nddo_energy.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/gradient/nuclear_gradient.hpp"
#include "scf/guess/guess_driver.hpp"
#include "scf/guess/vector_file.hpp"
#include "scf/procedure/scf_report.hpp"
#include "scf/procedure/scf_run.hpp"

namespace ostrel {
namespace {

constexpr double kGradientGmax = 1e-3;
constexpr double kHessianGmax = 1e-5;

struct DriverHeader {
  char theory[64];
  int n_atoms;
  int n_eval;
};

// Settings of the quantum-chemical theories that the driver itself needs; the SCF reads
// the rest of its records on its own.
struct TheorySettings {
  double field[3];
  int four;
  int restrict;
  int na;
  int nb;
  int n_basis;
  int polariz;
  int magnetic;
  char scfsave[128];
};

bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

int get_int_or(const char* name, int fallback) {
  return record_get_or(Record<int>{name}, fallback);
}

DriverHeader read_header(int level) {
  DriverHeader h{};
  if (is_master) {
    record_put(rec::Derivative, level);
    std::string theory = record_text(rec::theory);
    std::snprintf(h.theory, sizeof h.theory, "%s", theory.c_str());
    h.n_atoms = record_field(rec::Natom, &PerStructure::whole);
    h.n_eval = record_get(rec::NEval);
  }
  mp_bcast(&h, sizeof h, MP_BYTE);
  return h;
}

TheorySettings read_settings() {
  TheorySettings s{};
  if (is_master) {
    if (record_exists(rec::field)) record_read(rec::field, s.field, 3);
    s.four = get_int_or("four", 0);
    s.restrict = get_int_or("restrict", 1);
    s.na = get_int_or("Na", 0);
    s.nb = get_int_or("Nb", 0);
    s.n_basis = get_int_or("Nbasis", 0);
    s.polariz = get_int_or("polariz", 0);
    s.magnetic = get_int_or("magnetic", 0);
    if (record_exists(rec::scfsave)) {
      std::string save = record_text(rec::scfsave);
      std::snprintf(s.scfsave, sizeof s.scfsave, "%s", save.c_str());
    }
    const double largest =
        std::fmax(std::fabs(s.field[0]), std::fmax(std::fabs(s.field[1]), std::fabs(s.field[2])));
    if (largest > 0.0)
      std::printf("\n field=%9.6lf,%9.6lf,%9.6lf\n\n", s.field[0], s.field[1], s.field[2]);
  }
  mp_bcast(&s, sizeof s, MP_BYTE);
  return s;
}

// Every node stops together; only the master has something to say.
[[noreturn]] void stop_all(const char* message) {
  if (is_master) fatal_error("%s", message);
  fatal_stop();
}

void require_converged(int level) {
  double gmax = 0.0;
  if (is_master) gmax = record_get(rec::scf_Gmax);
  mp_bcast(&gmax, 1, MP_DOUBLE);
  // A NaN norm is as unconverged as a large one.
  const bool gradient_ok = gmax <= kGradientGmax;
  const bool hessian_ok = gmax <= kHessianGmax;
  if ((level >= 1 && !gradient_ok) || (level >= 2 && !hessian_ok))
    stop_all("\n SCF is far from convergence\n");
}

void print_fock_counts() {
  if (!is_master) return;
  // An evaluation without first-order Fock matrices may have stored the first count only.
  FockCounts counts{0, 0};
  if (record_exists(rec::NevalF)) counts.fock = record_field(rec::NevalF, &FockCounts::fock);
  if (record_count(rec::NevalF) >= 1) counts.first_order = record_field(rec::NevalF, &FockCounts::first_order);
  std::printf(" %3d F, %4d F1\n", counts.fock, counts.first_order);
}

void kohn_sham(int level, const DriverHeader& h, const TheorySettings& s,
               const EnergyProcedures& p) {
  p.scf_run();
  print_fock_counts();
  p.save_vectors(s.scfsave, s.n_basis);
  p.scf_report(h.theory);
  if (is_master && (s.magnetic || s.polariz))
    std::printf("\n response properties are not available in this build\n");
  if (level == 0) return;
  require_converged(level);
  p.nuclear_gradient();
  // No analytic second derivatives: differences of analytic gradients stand in for them.
  if (level >= 2) difference_hessian_for_driver(p);
}

void count_evaluation() {
  if (!is_master) return;
  record_put(rec::NEval, record_get(rec::NEval) + 1);
}

void print_results(int level, int n_atoms) {
  write_result_group("Energy", level >= 1 ? "Gradient" : nullptr, level >= 2 ? "Hessian" : nullptr,
                     "Dipole", level >= 2 ? "Polariz" : nullptr, level >= 2 ? "DipoleX" : nullptr,
                     nullptr, n_atoms, "eng>", -1);
}

}  // namespace

EnergyProcedures default_energy_procedures() {
  return {initial_guess, scf_run, save_vectors, scf_report, scf_nuclear_gradient};
}

void evaluate_with(int level, const EnergyProcedures& p) {
  if (level < 0 || level > 2) fatal_error("\n derivative level %d?\n", level);
  const DriverHeader h = read_header(level);
  if (same(h.theory, "SCRIPT") || same(h.theory, "NDDO") || same(h.theory, "MM")) {
    if (same(h.theory, "SCRIPT"))
      external_energy();
    else if (same(h.theory, "NDDO"))
      nddo_energy();
    else
      mm_energy();
    count_evaluation();
    print_results(level, h.n_atoms);
    std::fflush(stdout);
    return;
  }

  const TheorySettings s = read_settings();
  if (!same(h.theory, "DFT") || s.four != 0) {
    if (same(h.theory, "DFT"))
      stop_all(("\n theory DFT with four=" + std::to_string(s.four) +
                " is not available in this build\n").c_str());
    stop_all(("\n theory " + std::string(h.theory) + " is not available in this build\n").c_str());
  }
  if (h.n_eval == 0) p.initial_guess();
  kohn_sham(level, h, s, p);
  count_evaluation();
  print_results(level, h.n_atoms);
  std::fflush(stdout);
}

void evaluate(int level) { evaluate_with(level, default_energy_procedures()); }

}  // namespace ostrel
