#include "input/provided_results.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "input/group.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

constexpr double kNotGiven = 1e30;
constexpr int kPolarizValues = 33;  // 264 bytes per frequency

double largest_magnitude(const PoolArray<double>& a) {
  double m = 0;
  for (std::int64_t i = 0; i < a.size(); ++i) m = std::max(m, std::fabs(a[i]));
  return m;
}

void fill(PoolArray<double>& a, double value) { std::fill(a.begin(), a.end(), value); }

}  // namespace

void read_provided_results(const char* group, std::FILE* input) {
  if (!is_master) return;
  const std::int64_t natom = record_field(rec::Natom, &PerStructure::whole);
  const std::int64_t nwave = record_get(rec::nwave);
  const std::int64_t n3 = 3 * natom;
  const std::int64_t packed = n3 * (n3 + 1) / 2;

  double energy = kNotGiven;
  double dipole[9] = {};
  double polariz[kPolarizValues] = {};
  PoolArray<double> gradient(n3);
  PoolArray<double> hessian(packed + 9 * natom + 6);
  PoolArray<double> dipole_x(9 * natom);
  PoolArray<double> polariz_x(99 * natom);
  fill(gradient, kNotGiven);
  fill(hessian, 0);
  std::fill(hessian.begin(), hessian.begin() + packed, kNotGiven);
  fill(dipole_x, 0);
  fill(polariz_x, 0);

  const InputVar vars[] = {
      {"e", IN_REAL, 1, &energy},
      {"d", IN_REAL, 3, dipole},
      {"a", IN_REAL, kPolarizValues, polariz},
      {"g", IN_REAL, static_cast<int>(n3), gradient.data()},
      {"h", IN_REAL, static_cast<int>(packed), hessian.data()},
      {"dx", IN_REAL, static_cast<int>(9 * natom), dipole_x.data()},
      {"ax", IN_REAL, static_cast<int>(99 * natom), polariz_x.data()},
      {"r", IN_REAL, static_cast<int>(9 * natom), dipole_x.data()},
  };
  read_group(input, group, 8, vars);

  // Only the leading packed triangle counts; the tail stays zero.
  double hessian_max = 0;
  for (std::int64_t i = 0; i < packed; ++i) hessian_max = std::max(hessian_max, std::fabs(hessian[i]));
  ResultsGiven have{};
  have.energy = energy < kNotGiven;
  have.gradient = have.energy && largest_magnitude(gradient) < kNotGiven;
  have.hessian = have.gradient && hessian_max < kNotGiven;

  if (have.energy)
    std::printf("\n\n Energy provided (%22.15e).\n", energy);
  else
    energy = 0;
  if (have.gradient)
    std::printf(" Gradient too.\n");
  else
    fill(gradient, 0);
  if (have.hessian)
    std::printf(" Hessian too.\n");
  else
    std::fill(hessian.begin(), hessian.begin() + packed, 0.0);

  record_put(rec::haveE, have);
  record_put(rec::Energy, energy);
  record_write(rec::Dipole, dipole, 9);
  record_alloc(rec::Polariz, std::max<std::int64_t>(nwave, 1) * kPolarizValues);
  record_write(rec::Polariz, polariz, kPolarizValues);
  record_write(rec::Gradient, gradient.span());
  record_write(rec::DipoleX, dipole_x.span());
  record_write(rec::PolarizX, polariz_x.span());
  record_write(rec::Hessian, hessian.span());
}

}  // namespace ostrel
