#include "geometry/vibrations/mode_intensities.hpp"

#include <cmath>
#include <cstdio>
#include <cstdint>

#include "geometry/vibrations/vibration_constants.hpp"
#include "linalg/vector_ops.hpp"
#include "model/units.hpp"

namespace ostrel {
namespace {

double levi_civita(int i, int j, int k) {
  if (i == j || j == k || i == k) return 0.0;
  return ((j - i + 3) % 3 == 1) ? 1.0 : -1.0;
}

}  // namespace

void raman_invariants(const double* alpha, double* activity, double* depolarization) {
  const double xx = alpha[0], xy = alpha[1], yy = alpha[2], xz = alpha[3], yz = alpha[4], zz = alpha[5];
  const double mean = (xx + yy + zz) / 3;
  const double gamma2 =
      (3 * (xx * xx + yy * yy + zz * zz + 2 * xy * xy + 2 * xz * xz + 2 * yz * yz) - 9 * mean * mean) / 2;
  *activity = 45 * mean * mean + 7 * gamma2;
  const double denominator = 45 * mean * mean + 4 * gamma2;
  *depolarization = denominator != 0 ? 3 * gamma2 / denominator : 0.0;
}

void roa_invariants(const double* alpha, const double* g, const double* a, double omega,
                    double* roa90, double* roa180) {
  double alpha_g = 0, alpha_alpha = 0, alpha_a = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const double aij = alpha[packed_index(i, j)];
      alpha_g += aij * g[i + 3 * j];
      alpha_alpha += aij * aij;
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) alpha_a += aij * levi_civita(i, k, l) * a[3 * packed_index(l, j) + k];
    }
  const double trace_alpha = alpha[0] + alpha[2] + alpha[5], trace_g = g[0] + g[4] + g[8];
  const double beta_g = 1.5 * alpha_g - 0.5 * trace_alpha * trace_g;
  const double beta_a = 1.5 * omega * alpha_a;
  const double beta_alpha = 1.5 * alpha_alpha - 0.5 * trace_alpha * trace_alpha;
  std::printf(" aa=%14.10lf ab=%14.10lf aq=%14.10lf\n", beta_alpha, beta_g, beta_a);
  const double d = 3 * kSpeedOfLight * beta_alpha;
  // A totally symmetric mode of an isotropic tensor has no anisotropy: no difference.
  *roa90 = d != 0 ? -(6 * beta_g - 2 * beta_a) / d : 0.0;
  *roa180 = d != 0 ? -(24 * beta_g + 8 * beta_a) / d : 0.0;
}

namespace {

const char kAxis[3] = {'x', 'y', 'z'};

void print_tensors(const double* mu, const double* alpha, const double* g, const double* a,
                   const PropertyDerivatives& p) {
  std::printf("  dipole:\n   Dx=%10.7lf Dy=%10.7lf Dz=%10.7lf\n", mu[0], mu[1], mu[2]);
  if (p.raman)
    std::printf("  e. dipole - e. dipole:\n   Axx=%10.7lf\n   Axy=%10.7lf Ayy=%10.7lf\n"
                "   Axz=%10.7lf Ayz=%10.7lf Azz=%10.7lf\n",
                alpha[0], alpha[1], alpha[2], alpha[3], alpha[4], alpha[5]);
  if (!p.roa) return;
  std::printf("  e. dipole - m. dipole:\n");
  for (int i = 0; i < 3; ++i)
    std::printf("   A%cx=%10.7lf A%cy=%10.7lf A%cz=%10.7lf\n", kAxis[i], g[i], kAxis[i], g[i + 3],
                kAxis[i], g[i + 6]);
  std::printf("  e. dipole - e. quadrupole:\n");
  for (int k = 0; k < 3; ++k) {
    const char c = kAxis[k];
    std::printf("   A%cxx=%10.7lf\n   A%cxy=%10.7lf A%cyy=%10.7lf\n   A%cxz=%10.7lf A%cyz=%10.7lf A%czz=%10.7lf\n",
                c, a[k], c, a[3 + k], c, a[6 + k], c, a[9 + k], c, a[12 + k], c, a[15 + k]);
  }
}

}  // namespace

void detect_derivative_data(int n3, PropertyDerivatives& p) {
  p.raman = vec_max_norm(6 * std::int64_t{n3}, p.polariz) > 0;
  p.roa = vec_max_norm(27 * std::int64_t{n3}, p.polariz + 6 * std::int64_t{n3}) > 0;
}

void mode_intensities(int n3, int n_vib, const double* d, const double* frequencies,
                      const PropertyDerivatives& p, VibrationalMode* modes) {
  if (p.omega != 0)
    std::printf("\n incident light wavelength = %8.3lf nm\n", 1e7 / (p.omega * kWavenumbersPerHartree));
  std::printf("\n Dipole and Polarizability Derivatives:\n");
  const double* alpha_x = p.polariz;
  const double* g_x = p.polariz + 6 * std::int64_t{n3};
  const double* a_x = p.polariz + 15 * std::int64_t{n3};
  for (int k = 0; k < n_vib; ++k) {
    const double* dk = d + std::int64_t{k} * n3;
    double mu[3] = {}, alpha[6] = {}, g[9] = {}, a[18] = {};
    for (int i = 0; i < n3; ++i) {
      for (int c = 0; c < 3; ++c) mu[c] += dk[i] * p.dipole[3 * i + c];
      for (int c = 0; c < 6; ++c) alpha[c] += dk[i] * alpha_x[6 * i + c];
      for (int c = 0; c < 9; ++c) g[c] += dk[i] * g_x[9 * i + c];
      for (int c = 0; c < 18; ++c) a[c] += dk[i] * a_x[18 * i + c];
    }
    VibrationalMode& m = modes[k];
    m.frequency = frequencies[k] * kWavenumbersPerHartree;
    m.reduced_mass = 1.0 / (vec_dot(n3, dk, dk) * kElectronMassesPerAmu);
    m.ir = kElectronMassesPerAmu * kInfraredFactor * (mu[0] * mu[0] + mu[1] * mu[1] + mu[2] * mu[2]);
    m.raman = m.depolarization = m.roa90 = m.roa180 = 0;
    if (p.raman) {
      raman_invariants(alpha, &m.raman, &m.depolarization);
      m.raman *= kElectronMassesPerAmu * kRamanFactor;
    }
    if (p.roa) {
      roa_invariants(alpha, g, a, p.omega, &m.roa90, &m.roa180);
      m.roa90 *= 1e4;
      m.roa180 *= 1e4;
    }
    std::printf(" mode %3d, freq=%7.2lf%c\n", k + 1, std::fabs(m.frequency), m.frequency < 0 ? 'i' : ' ');
    print_tensors(mu, alpha, g, a, p);
  }
}

void print_mode_summary(const VibrationalMode* modes, int n_vib) {
  const char* frame = " *------*---------*-------*---------*---------*--------*-----------*-----------*\n";
  std::printf("\n Harmonic Frequencies (cm^-1), Reduced Masses (amu),\n IR Intensities (km/mol),\n"
              " Raman Scattering Activities (A^4/amu),\n Raman Depolarization Ratios,\n"
              " Raman Optical Activities (10^-4)\n%s"
              " | Mode | Freq.   | Mass. | IR Int. |Raman A. |Raman D.| ROA (90)  | ROA (180) |\n%s",
              frame, frame);
  for (int k = 0; k < n_vib; ++k) {
    const VibrationalMode& m = modes[k];
    std::printf(" | %4d | %7.2lf%c| %5.2lf | %7.3lf | %7.3lf | %6.4lf | %9.5lf | %9.5lf |\n", k + 1,
                std::fabs(m.frequency), m.frequency < 0 ? 'i' : ' ', m.reduced_mass, m.ir, m.raman,
                m.depolarization, m.roa90, m.roa180);
  }
  std::printf("%s", frame);
}

}  // namespace ostrel
