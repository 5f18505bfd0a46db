#include "geometry/vibrations/harmonic_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "geometry/step_tools.hpp"
#include "geometry/vibrations/normal_modes.hpp"
#include "geometry/vibrations/vibration_constants.hpp"
#include "input/theory_class.hpp"
#include "linalg/vector_ops.hpp"
#include "model/elements.hpp"
#include "model/molecule_record.hpp"
#include "model/units.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
namespace {

// A record of reals into `out` (n values); what is missing or short stays zero.
void read_optional(Record<double> r, double* out, std::int64_t n) {
  vec_set(n, 0.0, out);
  const std::int64_t have = record_count(r);
  if (have > 0) record_read(r, out, std::min(have, n));
}

void print_normal_modes(int n3, int n_vib, const double* vectors, const double* frequencies) {
  std::printf("\n ====================================================\n"
              " Normal Modes (mass-weighted) and Frequencies (cm^-1)\n"
              " ====================================================\n");
  for (int first = 0; first < n_vib; first += 6) {
    const int last = std::min(first + 6, n_vib);
    std::printf("\n mode  ");
    for (int k = first; k < last; ++k) std::printf("    %4d  ", k + 1);
    std::printf("\n freq. ");
    for (int k = first; k < last; ++k)
      std::printf("  %6.1lf %c", std::fabs(frequencies[k]) * kWavenumbersPerHartree, frequencies[k] < 0 ? 'i' : ' ');
    std::printf("\n");
    for (int i = 0; i < n3; ++i) {
      std::printf("\n%4d %c ", i / 3 + 1, "xyz"[i % 3]);
      for (int k = first; k < last; ++k) std::printf("%10.6lf", vectors[std::int64_t{k} * n3 + i]);
    }
    std::printf("\n");
  }
}

// The report for a loaded molecule; the work arrays are released before the molecule.
void analyse(const Molecule& mol, const ThermoOptions& options, VibrationalReport& report) {
  const int n = mol.n_atoms, n3 = 3 * n;
  std::printf("  Atomic Masses (amu)\n");
  double total_mass = 0;
  for (int a = 0; a < n; ++a) {
    std::printf(" %3d  %3s  %10.6lf\n", a + 1, element_symbol(mol.z[a]), mol.mass[a]);
    // Mass weighting divides by the mass.
    if (!(mol.mass[a] > 0)) fatal_error("\n vibrational analysis: atom %d has no mass\n", a + 1);
    total_mass += mol.mass[a];
  }
  principal_moments(mol, report.moments);

  PoolArray<double> w(n3), hessian(packed_size(n3)), vectors(std::int64_t{n3} * n3), values(n3);
  mass_weights(n, mol.mass, w.data());
  record_read(rec::Hessian, hessian.data(), packed_size(n3));
  report.external = harmonic_modes(n, mol.xyz, w.data(), hessian.data(), vectors.data(), values.data());
  if (report.external == 5) std::printf(" Molecule assumed to be linear\n");
  const int n_vib = n3 - report.external;

  PoolArray<double> frequencies(std::max(n_vib, 1)), d(std::max<std::int64_t>(std::int64_t{n3} * n_vib, 1));
  for (int k = 0; k < n_vib; ++k) {
    frequencies[k] = signed_frequency(values[k]);
    vec_product(n3, w.data(), vectors.data() + std::int64_t{k} * n3, d.data() + std::int64_t{k} * n3);
  }

  PoolArray<double> dipole_x(3 * std::int64_t{n3}), polariz_x(33 * std::int64_t{n3});
  read_optional(rec::DipoleX, dipole_x.data(), dipole_x.size());
  read_optional(rec::PolarizX, polariz_x.data(), polariz_x.size());
  PropertyDerivatives p{dipole_x.data(), polariz_x.data(), false, false,
                        record_count(rec::wave) > 0 ? record_get(rec::wave) : 0.0};
  detect_derivative_data(n3, p);
  report.modes.resize(n_vib);
  mode_intensities(n3, n_vib, d.data(), frequencies.data(), p, report.modes.data());
  print_mode_summary(report.modes.data(), n_vib);
  print_normal_modes(n3, n_vib, vectors.data(), frequencies.data());

  report.zpve = zero_point_energy(frequencies.data(), n_vib);
  const double energy = record_get_or(rec::Energy, 0.0);
  std::printf("\n E = %12.6lf    E0 = %12.6lf\n", energy, energy + report.zpve);
  std::printf("\n ZPVE = %8.6lf a.u. = %9.4lf kcal/mol\n", report.zpve, report.zpve * kHartreeToKcal);

  RotorAndModes rotor{total_mass, {}, report.external, options.sigma, frequencies.data(), n_vib};
  for (int k = 0; k < 3; ++k) rotor.moments[k] = report.moments[k] * kElectronMassesPerAmu;
  std::printf("\n ----------------------------------------------------------------------\n");
  for (double t : options.temperatures) {
    report.thermo.push_back(thermochemistry(t, rotor));
    print_thermo_table(report.thermo.back());
  }
  std::fflush(stdout);

  if (record_exists(rec::PRINT) && print_option(rec::PRINT.name, "MOLDEN", 0) == 1)
    write_frequencies_for_viewer(mol.z, mol.xyz, d.data(), frequencies.data(), n, n_vib);
}

}  // namespace

VibrationalReport harmonic_analysis_report() {
  VibrationalReport report{};
  if (!is_master) return report;
  std::printf("\n ========================================\n VIBRATIONAL ANALYSIS and THERMOCHEMISTRY\n"
              " ========================================\n");
  const ThermoOptions options = read_thermo_options();
  Molecule mol = load_molecule(0, "Molecule");
  analyse(mol, options, report);
  release_molecule(mol);
  return report;
}

void write_frequencies_for_viewer(const int* atomic_numbers, const double* xyz, const double* modes,
                                  const double* frequencies, int n_atoms, int n_vib) {
  const int n3 = 3 * n_atoms;
  std::printf("freq>[Molden Format]\nfreq>[FREQ]\n");
  for (int k = 0; k < n_vib; ++k) std::printf("freq>%8.2lf\n", frequencies[k] * kWavenumbersPerHartree);
  std::printf("freq>[FR-COORD]\n");
  for (int a = 0; a < n_atoms; ++a)
    std::printf("freq> %2s %12.7lf %12.7lf %12.7lf\n", element_symbol(atomic_numbers[a]), xyz[3 * a],
                xyz[3 * a + 1], xyz[3 * a + 2]);
  std::printf("freq>[FR-NORM-COORD]\n");
  for (int k = 0; k < n_vib; ++k) {
    const double* d = modes + std::int64_t{k} * n3;
    const double norm = std::sqrt(vec_dot(n3, d, d));
    std::printf("freq>vibration %3d\n", k + 1);
    for (int a = 0; a < n_atoms; ++a)
      std::printf("freq> %10.7lf %10.7lf %10.7lf\n", d[3 * a] / norm, d[3 * a + 1] / norm, d[3 * a + 2] / norm);
  }
  std::fflush(stdout);
}

void vibrational_analysis() {
  timer("Vibrational Analysis", '-');
  harmonic_analysis_report();
  timer("Vibrational Analysis", '+');
  timer("Vibrational Analysis", 'r');
}

}  // namespace ostrel
