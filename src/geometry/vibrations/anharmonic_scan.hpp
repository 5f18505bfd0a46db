#pragma once
// One-dimensional anharmonic corrections of the zero-point energy (task "ANHARMONIC"): each
// normal mode is scanned until its energy passes 6.5 harmonic levels, and its levels are
// found in an oscillator basis on the splined curve. Resumable through "surf>" blocks.
#include <array>
#include <functional>
#include <vector>

namespace ostrel {

// The energy at the geometry in "Molecule": called on every node, its value is used on the
// master.
using EnergyAtGeometry = std::function<double()>;

struct ScannedMode {
  double omega;                  // harmonic frequency (hartree)
  std::vector<double> x, v;      // scan points (normal coordinate) and energies above the reference
  std::array<double, 4> levels;  // lowest anharmonic levels (hartree)
};
struct AnharmonicResult {
  std::vector<ScannedMode> modes;
  double harmonic_zpe, anharmonic_zpe;  // hartree
};

// The whole procedure with `energy` as the energy driver (every node calls it; the result
// is filled on the master).
AnharmonicResult anharmonic_scan(const EnergyAtGeometry& energy);

// The task step: the scan with the energy driver at level 0.
void anharmonic_corrections();

}  // namespace ostrel
