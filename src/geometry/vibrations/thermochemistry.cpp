#include "geometry/vibrations/thermochemistry.hpp"

#include <cmath>
#include <cstdio>

#include "geometry/vibrations/vibration_constants.hpp"
#include "input/group.hpp"
#include "model/units.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {
namespace {

ThermoRow row(double ln_q, double entropy_over_r, double energy, double enthalpy, double temperature) {
  ThermoRow r;
  r.ln_q = ln_q;
  r.entropy = 1000 * kGasConstant * entropy_over_r;
  r.energy = energy * kHartreeToKcal;
  r.enthalpy = enthalpy * kHartreeToKcal;
  r.gibbs = r.enthalpy - temperature * r.entropy / 1000;
  return r;
}

}  // namespace

ThermoOptions read_thermo_options() {
  double temperature[kMaxTemperatures];
  temperature[0] = kDefaultTemperature;
  for (int k = 1; k < kMaxTemperatures; ++k) temperature[k] = -1;
  double sigma = 1.0;
  const InputVar vars[] = {
      {"sigma", IN_REAL, 1, &sigma},
      {"temperature", IN_REAL, kMaxTemperatures, temperature},
  };
  read_group(stdin, "thermo", 2, vars);
  // The partition functions have no logarithm at sigma <= 0 or at 0 K.
  if (!(sigma > 0)) fatal_error("*** error in '$thermo' : sigma=%g, must be positive\n", sigma);
  ThermoOptions o{{}, sigma};
  for (int k = 0; k < kMaxTemperatures && temperature[k] >= 0; ++k) {
    if (temperature[k] == 0) fatal_error("*** error in '$thermo' : temperature 0 K, must be positive\n");
    o.temperatures.push_back(temperature[k]);
  }
  return o;
}

double zero_point_energy(const double* frequencies, int n) {
  double zpve = 0;
  for (int k = 0; k < n; ++k)
    if (frequencies[k] > 0) zpve += 0.5 * frequencies[k];
  return zpve;
}

ThermoTable thermochemistry(double temperature, const RotorAndModes& m) {
  const double kt = temperature * kBoltzmann / kHartreeJoule;
  ThermoTable t{};
  t.temperature = temperature;

  const double mass = m.total_mass * kElectronMassesPerAmu;
  const double volume = temperature * kBoltzmann / kStandardPressure / kBohrCubed;
  const double ln_qt = 1.5 * std::log(mass * kt / (2 * kPi)) + std::log(volume);
  t.translation = row(ln_qt, ln_qt + 2.5, 1.5 * kt, 2.5 * kt, temperature);

  // An atom has no rotational states to count.
  if (m.external == 5) {
    const double ln_qr = std::log(2 * kt * m.moments[2] / m.sigma);
    t.rotation = row(ln_qr, ln_qr + 1, kt, kt, temperature);
  } else if (m.external == 6) {
    const double ln_qr =
        0.5 * std::log(8 * kPi * kt * kt * kt * m.moments[0] * m.moments[1] * m.moments[2]) - std::log(m.sigma);
    t.rotation = row(ln_qr, ln_qr + 1.5, 1.5 * kt, 1.5 * kt, temperature);
  } else {
    t.rotation = row(0, 0, 0, 0, temperature);
  }

  double ln_qv = 0, thermal = 0;
  for (int k = 0; k < m.n_vib; ++k) {
    const double x = m.frequencies[k] / kt;
    if (!(x >= 1e-7)) continue;  // imaginary and vanishing modes
    ln_qv += x - std::log(std::expm1(x));
    thermal += m.frequencies[k] / std::expm1(x);
  }
  const double zpve = zero_point_energy(m.frequencies, m.n_vib);
  t.vibration = row(ln_qv, ln_qv + thermal / kt, thermal + zpve, thermal + zpve, temperature);

  const ThermoRow* parts[3] = {&t.translation, &t.rotation, &t.vibration};
  for (const ThermoRow* p : parts) {
    t.total.ln_q += p->ln_q;
    t.total.entropy += p->entropy;
    t.total.energy += p->energy;
    t.total.enthalpy += p->enthalpy;
  }
  t.total.gibbs = t.total.enthalpy - temperature * t.total.entropy / 1000;
  return t;
}

void print_thermo_table(const ThermoTable& t) {
  std::printf(" T = %8.3lf K      ln(Q)       S          U          H          G\n"
              "                              cal/mol*K  kcal/mol   kcal/mol   kcal/mol\n"
              " ----------------------------------------------------------------------\n",
              t.temperature);
  const char* names[4] = {"translational", "rotational   ", "vibrational  ", "total        "};
  const ThermoRow* rows[4] = {&t.translation, &t.rotation, &t.vibration, &t.total};
  for (int k = 0; k < 4; ++k)
    std::printf(" %s    %9.4lf   %8.4lf   %8.4lf   %8.4lf   %8.4lf\n", names[k], rows[k]->ln_q,
                rows[k]->entropy, rows[k]->energy, rows[k]->enthalpy, rows[k]->gibbs);
  std::printf(" ----------------------------------------------------------------------\n");
}

}  // namespace ostrel
