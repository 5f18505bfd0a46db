#pragma once
// Restart data of the anharmonic scan: the input group "surface" and the "surf>" blocks
// that print it, so that the tagged lines of one run, without the tag, restart the next.
#include <vector>

namespace ostrel {

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

}  // namespace ostrel
