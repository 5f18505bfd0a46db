#pragma once
// Ideal-gas rigid-rotor harmonic-oscillator thermochemistry (input group "thermo").
#include <vector>

namespace ostrel {

// The temperatures (K, at most 64, default one: 298.15) and the rotational symmetry number.
struct ThermoOptions {
  std::vector<double> temperatures;
  double sigma;
};

// Reads the group "thermo" from the input (master).
ThermoOptions read_thermo_options();

// One row of the table: ln q, S in cal/(mol K), U, H and G in kcal/mol.
struct ThermoRow {
  double ln_q, entropy, energy, enthalpy, gibbs;
};
struct ThermoTable {
  double temperature;
  ThermoRow translation, rotation, vibration, total;
};

// What the partition functions need: total mass (amu), principal moments (atomic units,
// ascending), the kind of rotor (external motions 3: atom, 5: linear, 6: nonlinear), the
// symmetry number, and the vibrational frequencies (hartree, negative when imaginary).
struct RotorAndModes {
  double total_mass;
  double moments[3];
  int external;
  double sigma;
  const double* frequencies;
  int n_vib;
};

ThermoTable thermochemistry(double temperature, const RotorAndModes& molecule);

// Zero-point energy (hartree): half the sum of the real frequencies.
double zero_point_energy(const double* frequencies, int n);

void print_thermo_table(const ThermoTable& table);

}  // namespace ostrel
