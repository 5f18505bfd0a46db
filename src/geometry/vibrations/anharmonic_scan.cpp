#include "geometry/vibrations/anharmonic_scan.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "geometry/optimize_common.hpp"
#include "geometry/vibrations/normal_modes.hpp"
#include "geometry/vibrations/oscillator_levels.hpp"
#include "geometry/vibrations/vibration_constants.hpp"
#include "input/energy_driver.hpp"
#include "input/group.hpp"
#include "linalg/vector_ops.hpp"
#include "model/matrix_print.hpp"
#include "model/molecule_record.hpp"
#include "model/units.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

SurfaceRestart read_surface_group(int n3) {
  const std::size_t modes = static_cast<std::size_t>(n3);
  SurfaceRestart s{-1, 0.0, std::vector<double>(modes, 0.0), std::vector<double>(modes * modes, 0.0),
                   std::vector<double>(modes * kMaxScanPoints, 0.0), std::vector<double>(modes * kMaxScanPoints, 0.0),
                   std::vector<int>(modes, 0)};
  const InputVar vars[] = {
      {"nv", IN_INT, 1, &s.nv},
      {"vo", IN_REAL, 1, &s.vo},
      {"h", IN_REAL, n3, s.h.data()},
      {"r", IN_REAL, n3 * n3, s.r.data()},
      {"nx", IN_INT, n3, s.nx.data()},
      {"x", IN_REAL, n3 * kMaxScanPoints, s.x.data()},
      {"vx", IN_REAL, n3 * kMaxScanPoints, s.vx.data()},
  };
  read_group(stdin, "surface", 7, vars);
  if (s.nv < -1 || s.nv > n3)
    fatal_error("*** error in '$surface' : nv=%d, the molecule has %d coordinates\n", s.nv, n3);
  for (int m = 0; m < n3; ++m) {
    const int n = s.nx[m];
    if (n <= 0) continue;
    if (n < 2 || n > kMaxScanPoints)
      fatal_error("*** error in '$surface' : nx(%d)=%d, a scanned mode has 2 to %d points\n", m + 1, n,
                  kMaxScanPoints);
    const double* x = s.x.data() + std::int64_t{m} * kMaxScanPoints;
    for (int k = 1; k < n; ++k)
      if (!(x[k] > x[k - 1]))
        fatal_error("*** error in '$surface' : x(%d), the points of mode %d must increase\n",
                    m * kMaxScanPoints + k + 1, m + 1);
  }
  return s;
}

void print_surface_modes(int nv, int n3, const double* h, const double* r) {
  std::printf("\n\nsurf>$surface\nsurf> Nv=%2d\n", nv);
  for (int m = 0; m < nv; ++m) {
    const double* v = r + std::int64_t{m} * n3;
    std::printf("surf> h(%2d)=%15.8e\nsurf> r(%4d)=%15.8e %15.8e %15.8e\n", m + 1, h[m], m * n3 + 1, v[0], v[1], v[2]);
    for (int i = 3; i < n3; i += 3) std::printf("surf>         %15.8e %15.8e %15.8e\n", v[i], v[i + 1], v[i + 2]);
  }
  std::printf("surf>$end\n");
}

void print_surface_reference(double vo) {
  std::printf("\n\nsurf>$surface\nsurf> vo=%17.10e\nsurf>$end\n\n\n", vo);
}

void print_surface_scan(int m, int n, const double* x, const double* vx) {
  // Numbered so that mode m reads back into its own slots of x and vx.
  std::printf("\n\nsurf>$surface\nsurf> nx(%2d)=%2d\n", m + 1, n);
  for (int k = 0; k < n; ++k) {
    const int index = kMaxScanPoints * m + k + 1;
    std::printf("surf>  x(%4d)=%15.8e  vx(%4d)=%17.10e\n", index, x[k], index, vx[k]);
  }
  std::printf("surf>$end\n\n");
}

namespace {

constexpr int kMaxPointsPerSide = 7;
constexpr double kEnoughLevels = 6.5;
// A curvature this small has no oscillator length to scan with (0.2 cm^-1).
constexpr double kSmallestFrequency = 1e-6;
enum Command : int { kDone = 0, kEvaluate = 1 };

// The master asks every node for one energy.
double collective_energy(const EnergyAtGeometry& energy) {
  int command = kEvaluate;
  mp_bcast(&command, 1, MP_INT);
  return energy();
}

struct Scan {
  Molecule& mol;
  const double* reference;  // 3N, bohr
  const EnergyAtGeometry& energy;
  double vo;
};

// Scans mode m along its cartesian vector r (per unit normal coordinate), first towards
// negative then towards positive displacements, and returns the points in increasing x.
void scan_mode(Scan& s, int m, double omega, const double* r, ScannedMode& out) {
  const int n3 = 3 * s.mol.n_atoms;
  const double u = 1.0 / std::sqrt(omega), length = std::sqrt(vec_dot(n3, r, r));
  PoolArray<double> xyz(n3);
  double side_x[2][kMaxPointsPerSide], side_v[2][kMaxPointsPerSide];
  int count[2] = {0, 0};
  for (int side = 0; side < 2; ++side) {
    for (int p = 1; p <= kMaxPointsPerSide; ++p) {
      const double x = (side == 0 ? -p : p) * u;
      vec_copy(n3, s.reference, xyz.data());
      vec_axpy(n3, x, r, xyz.data());
      write_geometry(s.mol, xyz.data());
      std::printf("\n\n mode %2d: cartesian displacement = %12.9lf\n\n", m + 1, x * length);
      std::fflush(stdout);
      const double v = collective_energy(s.energy) - s.vo, levels = (0.5 * omega + v) / omega;
      std::printf("\n\n Energy = %11.8lf (%10.3lf cm^-1) = %5.2lf harmonic levels\n", v,
                  v * kWavenumbersPerHartree, levels);
      side_x[side][count[side]] = x;
      side_v[side][count[side]++] = v;
      if (levels > kEnoughLevels) {
        std::printf(" sufficient.\n");
        break;
      }
      if (p == kMaxPointsPerSide) std::printf(" point number limit reached.\n");
    }
  }
  out.x.clear();
  out.v.clear();
  for (int k = count[0] - 1; k >= 0; --k) {
    out.x.push_back(side_x[0][k]);
    out.v.push_back(side_v[0][k]);
  }
  out.x.push_back(0.0);
  out.v.push_back(0.0);
  for (int k = 0; k < count[1]; ++k) {
    out.x.push_back(side_x[1][k]);
    out.v.push_back(side_v[1][k]);
  }
}

void print_scanned(int m, const ScannedMode& mode) {
  const int n = static_cast<int>(mode.x.size());
  print_surface_scan(m, n, mode.x.data(), mode.v.data());
  for (int k = 0; k < n; ++k)
    std::printf(" x = %10.6lf  E = %11.8lf (%10.3lf cm^-1)\n", mode.x[k], mode.v[k], mode.v[k] * kWavenumbersPerHartree);
  print_text_plot(mode.x.data(), mode.v.data(), n);
  std::fflush(stdout);
}

// The harmonic modes: from the restart data, or from the stored Hessian (curvatures h and
// cartesian vectors r per unit normal coordinate). Returns their number.
int harmonic_start(const Molecule& mol, const SurfaceRestart& restart, double* h, double* r) {
  const int n = mol.n_atoms, n3 = 3 * n;
  vec_set(std::int64_t{n3} * n3, 0.0, r);
  if (restart.nv >= 0) {
    vec_copy(n3, restart.h.data(), h);
    vec_copy(std::int64_t{n3} * restart.nv, restart.r.data(), r);
    return restart.nv;
  }
  PoolArray<double> w(n3), hessian(packed_size(n3)), vectors(std::int64_t{n3} * n3);
  mass_weights(n, mol.mass, w.data());
  record_read(rec::Hessian, hessian.data(), packed_size(n3));
  const int external = harmonic_modes(n, mol.xyz, w.data(), hessian.data(), vectors.data(), h);
  const int nv = n3 - external;
  for (int k = 0; k < nv; ++k)
    vec_product(n3, w.data(), vectors.data() + std::int64_t{k} * n3, r + std::int64_t{k} * n3);
  return nv;
}

void master_scan(Molecule& mol, const SurfaceRestart& restart, const EnergyAtGeometry& energy, AnharmonicResult& result) {
  const int n3 = 3 * mol.n_atoms;
  for (int a = 0; a < mol.n_atoms; ++a)
    if (!(mol.mass[a] > 0)) fatal_error("\n anharmonic scan: atom %d has no mass\n", a + 1);
  PoolArray<double> reference(n3), h(n3), r(std::int64_t{n3} * n3);
  vec_copy(n3, mol.xyz, reference.data());
  const int nv = harmonic_start(mol, restart, h.data(), r.data());
  Scan scan{mol, reference.data(), energy, 0.0};

  print_surface_modes(nv, n3, h.data(), r.data());
  record_save(rec::ZMode, r.data(), std::int64_t{n3} * n3);
  result.modes.resize(nv);
  result.harmonic_zpe = result.anharmonic_zpe = 0;
  int remaining = 0;
  for (int m = 0; m < nv; ++m) {
    ScannedMode& mode = result.modes[m];
    mode.omega = std::sqrt(std::fabs(h[m]));
    std::printf(" mode %2d: harmonic frequency = %7.2lf%c cm^-1\n", m + 1, mode.omega * kWavenumbersPerHartree,
                h[m] < 0 ? 'i' : ' ');
    if (mode.omega < kSmallestFrequency) fatal_error("\n anharmonic scan: mode %d has no curvature\n", m + 1);
    result.harmonic_zpe += 0.5 * mode.omega;
    const int given = restart.nx[m];
    if (given <= 0) {
      ++remaining;
      continue;
    }
    const double* x = restart.x.data() + std::int64_t{m} * kMaxScanPoints;
    const double* v = restart.vx.data() + std::int64_t{m} * kMaxScanPoints;
    mode.x.assign(x, x + given);
    mode.v.assign(v, v + given);
  }
  std::fflush(stdout);

  // The reference energy is evaluated afresh: after a finite-difference Hessian "Energy"
  // belongs to the last displaced point. A first evaluation also builds the grid that every
  // scan point then keeps.
  if (remaining > 0) {
    std::printf("\n Energy at Equilibrium Geometry:");
    record_put(rec::grid_adapt, record_get_or(rec::NEval, 0) == 0 ? 1 : 0);
    scan.vo = collective_energy(energy);
    print_surface_reference(scan.vo);
    record_put(rec::grid_adapt, 0);
  }
  for (int m = 0; m < nv; ++m) {
    if (restart.nx[m] > 0) continue;
    scan_mode(scan, m, result.modes[m].omega, r.data() + std::int64_t{m} * n3, result.modes[m]);
    print_scanned(m, result.modes[m]);
  }
  write_geometry(mol, reference.data());

  for (int m = 0; m < nv; ++m) {
    ScannedMode& mode = result.modes[m];
    std::printf(" mode %2d:\n", m + 1);
    double levels[kOscillatorFunctions];
    anharmonic_levels(mode.omega, static_cast<int>(mode.x.size()), mode.x.data(), mode.v.data(), levels);
    std::copy(levels, levels + 4, mode.levels.begin());
    result.anharmonic_zpe += levels[0];
  }
  const double a = result.anharmonic_zpe, h0 = result.harmonic_zpe;
  std::printf("\n Anharmonic = %10.7lf au = %10.5lf kcal/mol\n   Harmonic = %10.7lf au = %10.5lf kcal/mol\n"
              " Difference = %10.7lf au = %10.5lf kcal/mol\n",
              a, a * kHartreeToKcal, h0, h0 * kHartreeToKcal, a - h0, (a - h0) * kHartreeToKcal);
  std::fflush(stdout);
}

}  // namespace

AnharmonicResult anharmonic_scan(const EnergyAtGeometry& energy) {
  AnharmonicResult result{};
  if (!is_master) {
    // Every other node evaluates whenever the master asks.
    for (int command = kEvaluate;;) {
      mp_bcast(&command, 1, MP_INT);
      if (command != kEvaluate) return result;
      energy();
    }
  }
  std::printf("\n ==============================================\n Anharmonic Corrections to Vibrational Energies\n"
              " ==============================================\n");
  Molecule mol = load_molecule(0, "Molecule");
  // Given back also when an energy evaluation throws (tests stop a scan half-way).
  struct Release {
    Molecule& mol;
    ~Release() { release_molecule(mol); }
  } release{mol};
  const SurfaceRestart restart = read_surface_group(3 * mol.n_atoms);
  master_scan(mol, restart, energy, result);
  int done = kDone;
  mp_bcast(&done, 1, MP_INT);
  return result;
}

void anharmonic_corrections() {
  timer("Anharmonic Corrections", '-');
  anharmonic_scan([] {
    evaluate(0);
    return is_master ? record_get(rec::Energy) : 0.0;
  });
  timer("Anharmonic Corrections", '+');
  timer("Anharmonic Corrections", 'r');
}

}  // namespace ostrel
