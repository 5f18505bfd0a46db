#pragma once
// The harmonic vibrational analysis of the cartesian Hessian in the store (task "HESSIAN"),
// and the export of its modes for an external viewer.
#include <vector>

#include "geometry/vibrations/mode_intensities.hpp"
#include "geometry/vibrations/thermochemistry.hpp"

namespace ostrel {

// `modes`: n_vib cartesian displacement vectors (vector-major, 3N each; written normalised
// to unit length); `frequencies` signed (hartree, negative imaginary); coordinates in bohr.
void write_frequencies_for_viewer(const int* atomic_numbers, const double* xyz, const double* modes,
                                  const double* frequencies, int n_atoms, int n_vib);

// What the report prints, for callers that need the numbers.
struct VibrationalReport {
  int external;       // translations and rotations: 3 atom, 5 linear, 6 otherwise
  double moments[3];  // principal moments of inertia (amu bohr^2), ascending
  std::vector<VibrationalMode> modes;
  double zpve;        // hartree
  std::vector<ThermoTable> thermo;
};

// Reads "Molecule", "Hessian", "Energy", the property derivatives and the group "thermo",
// prints the full report and returns its numbers (master; other nodes return an empty report).
VibrationalReport harmonic_analysis_report();

// The task step: the report, and the viewer export when the print options ask for MOLDEN.
void vibrational_analysis();

}  // namespace ostrel
