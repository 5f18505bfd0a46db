#include <algorithm>
#include <cmath>
#include <cstdio>

#include "runtime/node.hpp"
#include "scf/guess/guess_steps.hpp"

namespace ostrel {
namespace {

constexpr int kMaxSweeps = 64;
constexpr double kAngleTolerance = 1e-6;

void turn(double* x, double* y, int n, double cs, double sn) {
  for (int k = 0; k < n; ++k) {
    const double a = x[k], b = y[k];
    x[k] = cs * a + sn * b;
    y[k] = -sn * a + cs * b;
  }
}

}  // namespace

void localize_orbitals(double* c, double* sc, int n, int count, int natom, const int* first) {
  for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
    double tmax = 0.0;
    for (int i = 1; i < count; ++i)
      for (int j = 0; j < i; ++j) {
        double* ci = c + static_cast<long>(i) * n;
        double* cj = c + static_cast<long>(j) * n;
        double* si = sc + static_cast<long>(i) * n;
        double* sj = sc + static_cast<long>(j) * n;
        double a = 0.0, b = 0.0;
        for (int at = 0; at < natom; ++at) {
          double qii = 0.0, qjj = 0.0, qij = 0.0;
          for (int mu = first[at]; mu < first[at + 1]; ++mu) {
            qii += ci[mu] * si[mu];
            qjj += cj[mu] * sj[mu];
            qij += cj[mu] * si[mu] + sj[mu] * ci[mu];
          }
          const double d = qjj - qii;
          a += d * d - qij * qij;
          b += qij * d;
        }
        const double t = std::fabs(a) + std::fabs(b) >= 1e-15 ? 0.25 * std::atan2(b, a) : 0.0;
        if (std::fabs(t) < kAngleTolerance) continue;
        tmax = std::max(tmax, std::fabs(t));
        const double cs = std::cos(t), sn = std::sin(t);
        turn(cj, ci, n, cs, sn);
        turn(sj, si, n, cs, sn);
      }
    if (is_master) std::printf("  tmax = %10.8lf\n", tmax);
    if (tmax < kAngleTolerance) break;
  }
}

}  // namespace ostrel
