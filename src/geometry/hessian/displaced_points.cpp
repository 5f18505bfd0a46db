#include "geometry/hessian/displaced_points.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "input/provided_results.hpp"
#include "model/molecule_record.hpp"
#include "model/result_groups.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store_keep.hpp"

namespace ostrel {
namespace {

// Live SCF records and the copies of their reference values.
struct Kept {
  Record<double> live, copy;
};
constexpr Kept kKeptState[] = {{rec::Ca, rec::num_Ca},   {rec::Cb, rec::num_Cb},
                                {rec::ea, rec::num_ea},   {rec::eb, rec::num_eb},
                                {rec::scf_Gmax, rec::num_Gmax}};

// The wrapped guess: the real one makes the free-atom data the SCF needs, then the
// reference orbitals replace its start (a later run of a split Hessian begins this way).
const EnergyProcedures* inner = nullptr;
void guess_then_reference() {
  inner->initial_guess();
  restore_reference_state();
}

// The first `n` values of `name`, zeros past its end or when it is missing.
void read_leading(const char* name, double* out, std::int64_t n) {
  std::fill(out, out + n, 0.0);
  const std::int64_t have = std::min<std::int64_t>(n, record_count(Record<double>{name}));
  if (have > 0) record_read(Record<double>{name}, out, have);
}

// Results of the point just evaluated into the rows of `step` (master).
void store_point(const DifferencePlan& plan, int step) {
  const int n3 = plan.n3;
  create_difference_records(n3);
  PoolArray<double> gradient(n3), values(kPointValues);
  record_read(rec::Gradient, gradient.data(), n3);
  read_leading("Dipole", values.data(), 3);
  read_leading("Polariz", values.data() + 3, kPointValues - 3);
  const double energy = record_get(rec::Energy);
  if (step == 0) {
    record_write(rec::num_G0, gradient.data(), n3);
    record_write(rec::num_g0, values.data(), kPointValues);
  } else {
    const bool forward = step <= n3;
    const std::int64_t row = forward ? step - 1 : step - n3 - 1;
    record_write(forward ? rec::num_G1 : rec::num_G2, gradient.data(), n3, row * n3);
    record_write(forward ? rec::num_g1 : rec::num_g2, values.data(), kPointValues, row * kPointValues);
  }
  record_put(rec::num_E, energy, step);
  record_put(rec::num_done, 1, step);
}

void read_point_from_input(int step) {
  char group[32];
  std::snprintf(group, sizeof group, "energy%03d", step);
  read_provided_results(group);
  const ResultsGiven have = record_get(rec::haveE);
  if (!have.gradient) fatal_error("\n $%s: no energy and gradient for step %d\n", group, step);
}

}  // namespace

void create_difference_records(int n3) {
  const std::int64_t k = n3, steps = 1 + 2 * k;
  const struct {
    Record<double> r;
    std::int64_t count;
  } rows[] = {{rec::num_G0, k},  {rec::num_G1, k * k},           {rec::num_G2, k * k},
              {rec::num_g0, kPointValues}, {rec::num_g1, k * kPointValues}, {rec::num_g2, k * kPointValues},
              {rec::num_E, steps}};
  for (const auto& e : rows) {
    if (record_exists(e.r)) continue;
    PoolArray<double> zero(e.count);
    std::fill(zero.begin(), zero.end(), 0.0);
    record_save(e.r, zero.data(), e.count);
  }
  if (!record_exists(rec::num_done)) {
    PoolArray<int> zero(steps);
    std::fill(zero.begin(), zero.end(), 0);
    record_save(rec::num_done, zero.data(), steps);
  }
}

void keep_reference_state() {
  for (const Kept& k : kKeptState) store_copy_record(k.copy.name, k.live.name);
  store_copy_record(rec::num_Grid.name, rec::Grid.name);
}

void restore_reference_state() {
  if (!is_master) return;
  for (const Kept& k : kKeptState) store_copy_record(k.live.name, k.copy.name);
  store_copy_record(rec::Grid.name, rec::num_Grid.name);
}

double set_coordinate(int k, double value) {
  Molecule mol = load_molecule(0, "Molecule");
  const double old = mol.xyz[k];
  mol.xyz[k] = value;
  store_molecule("Molecule", mol);
  release_molecule(mol);
  return old;
}

double shift_coordinate(int k, double delta) {
  Molecule mol = load_molecule(0, "Molecule");
  const double old = mol.xyz[k];
  release_molecule(mol);
  return set_coordinate(k, old + delta);
}

bool point_done(int step) { return record_exists(rec::num_done) && record_get(rec::num_done, step) != 0; }

void compute_point(const DifferencePlan& plan, int step, const EnergyProcedures& procedures) {
  const int n3 = plan.n3;
  const bool forward = step >= 1 && step <= n3;
  const int k = step == 0 ? -1 : (forward ? step - 1 : step - n3 - 1);
  double old = 0.0;
  if (is_master) {
    if (step == 0 && !plan.from_input())
      std::printf(" COmpute ENERGY at the reference geometry:\n");
    if (step > 0) {
      std::printf(forward ? "\n Step %10.8lf au FORWARD  for coordinate %3d:\n"
                          : "\n Step %10.8lf au BACKWARD for coordinate %3d:\n",
                  plan.step, k + 1);
      old = shift_coordinate(k, forward ? plan.step : -plan.step);
    }
  }
  if (plan.from_input()) {
    if (is_master) read_point_from_input(step);
  } else {
    if (step > 0) restore_reference_state();
    const EnergyProcedures* saved = inner;
    inner = &procedures;
    EnergyProcedures wrapped = procedures;
    wrapped.initial_guess = guess_then_reference;
    evaluate_with(1, wrapped);
    inner = saved;
  }
  if (!is_master) return;
  if (step > 0) set_coordinate(k, old);
  store_point(plan, step);
  if (step == 0)
    write_result_group("Energy", "Gradient", nullptr, record_exists(rec::Dipole) ? "Dipole" : nullptr,
                       record_count(rec::Polariz) >= 33 ? "Polariz" : nullptr, nullptr, nullptr, n3 / 3, "num>", -1);
}

}  // namespace ostrel
