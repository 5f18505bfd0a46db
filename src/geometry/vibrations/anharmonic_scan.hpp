#pragma once
// One-dimensional anharmonic corrections of the zero-point energy (task "ANHARMONIC"): each
// normal mode is scanned until its energy passes 6.5 harmonic levels, and its levels are
// found in an oscillator basis on the splined curve. Resumable through "surf>" blocks.
#include <array>
#include <functional>
#include <vector>

namespace ostrel {

// Restart data of the scan: the input group "surface" and the "surf>" blocks that print it,
// so that the tagged lines of one run, without the tag, restart the next.
inline constexpr int kMaxScanPoints = 100;  // per mode

// Mode-major arrays for n3 cartesian coordinates: h and nx per mode, r 3N per mode, x and vx
// kMaxScanPoints per mode. nv = -1: no harmonic modes given. The reference energy vo is
// accepted as printed but evaluated afresh whenever a mode remains to be scanned.
struct SurfaceRestart {
  int nv;
  double vo;
  std::vector<double> h, r, x, vx;
  std::vector<int> nx;
};

// Reads the group "surface" from the input (master) and checks it: nv at most n3, point
// counts of 0 (not scanned) or 2..100 with increasing coordinates.
SurfaceRestart read_surface_group(int n3);

// The harmonic modes: their number, curvatures and cartesian vectors (3N each).
void print_surface_modes(int nv, int n3, const double* h, const double* r);
// The energy at the reference geometry.
void print_surface_reference(double vo);
// The points of mode m (0-based): coordinates and energies above the reference.
void print_surface_scan(int m, int n, const double* x, const double* vx);

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
