#include "scf/grid/cell_partition.hpp"

#include <algorithm>
#include <cmath>

#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Bragg-Slater radii (angstrom; J. C. Slater, J. Chem. Phys. 41, 3199 (1964)), hydrogen at
// Becke's 0.35. The noble gases, which the table lacks, take the preceding halogen's value,
// and the elements past americium americium's; only ratios enter. Index 0: ghost centres.
constexpr double kBraggRadius[106] = {
    0.70,                                                                          // ghost
    0.35, 0.35,                                                                    // H-He
    1.45, 1.05, 0.85, 0.70, 0.65, 0.60, 0.50, 0.50,                                // Li-Ne
    1.80, 1.50, 1.25, 1.10, 1.00, 1.00, 1.00, 1.00,                                // Na-Ar
    2.20, 1.80, 1.60, 1.40, 1.35, 1.40, 1.40, 1.40, 1.35, 1.35, 1.35, 1.35,        // K-Zn
    1.30, 1.25, 1.15, 1.15, 1.15, 1.15,                                            // Ga-Kr
    2.35, 2.00, 1.80, 1.55, 1.45, 1.45, 1.35, 1.30, 1.35, 1.40, 1.60, 1.55,        // Rb-Cd
    1.55, 1.45, 1.45, 1.40, 1.40, 1.40,                                            // In-Xe
    2.60, 2.15, 1.95, 1.85, 1.85, 1.85, 1.85, 1.85, 1.85, 1.80, 1.75, 1.75, 1.75,  // Cs-Er
    1.75, 1.75, 1.75, 1.75, 1.55, 1.45, 1.35, 1.35, 1.30, 1.35, 1.35, 1.35, 1.50,  // Tm-Hg
    1.90, 1.80, 1.60, 1.90, 1.90, 1.90,                                            // Tl-Rn
    2.60, 2.15, 1.95, 1.80, 1.80, 1.75, 1.75, 1.75, 1.75, 1.75, 1.75, 1.75, 1.75,  // Fr-Fm
    1.75, 1.75, 1.75, 1.75, 1.75};                                                 // Md-Db

constexpr double kClamp = 0.95;
constexpr int kNear = 8;  // nearest atoms tried first as the shield of each cell
constexpr double kNegligible = 1e-14;

// s(nu) = (1 - f(f(f(nu)))) / 2 with f(x) = 1.5 x - 0.5 x^3, and its slope.
inline double cell_step(double nu) {
  for (int k = 0; k < 3; ++k) nu = 1.5 * nu - 0.5 * nu * nu * nu;
  return 0.5 * (1.0 - nu);
}
inline double cell_step(double nu, double* slope) {
  double d = -0.5;
  for (int k = 0; k < 3; ++k) {
    d *= 1.5 * (1.0 - nu * nu);
    nu = 1.5 * nu - 0.5 * nu * nu * nu;
  }
  *slope = d;
  return 0.5 * (1.0 - nu);
}

}  // namespace

CellPartition cell_partition(int n_atoms, const double* xyz, const int* z) {
  const std::int64_t n = std::max(n_atoms, 1);
  CellPartition c{n_atoms, xyz, nullptr, nullptr, nullptr};
  c.inverse_distance = static_cast<double*>(pool_alloc(8 * (2 * n * n + 4 * n)));
  c.adjust = c.inverse_distance + n * n;
  c.work = c.adjust + n * n;
  for (int b = 0; b < n_atoms; ++b)
    for (int d = 0; d < n_atoms; ++d) {
      const double* p = xyz + 3 * b;
      const double* q = xyz + 3 * d;
      const double r = std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
      // Coincident centres (a ghost on an atom) split their points evenly.
      const bool apart = b != d && r >= 1e-10;
      c.inverse_distance[b * n + d] = apart ? 1.0 / r : 0.0;
      const double chi = kBraggRadius[std::clamp(z[b], 0, 105)] / kBraggRadius[std::clamp(z[d], 0, 105)];
      const double u = (chi - 1.0) / (chi + 1.0);
      c.adjust[b * n + d] = apart ? std::clamp(u / (u * u - 1.0), -0.5, 0.5) : 0.0;
    }
  return c;
}

void cell_partition_release(CellPartition& cells) {
  if (cells.inverse_distance) pool_release(cells.inverse_distance);
  cells.inverse_distance = cells.adjust = cells.work = nullptr;
}

double cell_weight(const CellPartition& cells, const double p[3], int atom, double* dlnw) {
  const int n = cells.n_atoms;
  if (n == 1) {
    if (dlnw) std::fill(dlnw, dlnw + 3, 0.0);
    return 1.0;
  }
  double* r = cells.work;
  double* cell = r + n;
  double* factor = cell + n;
  int* alive = reinterpret_cast<int*>(factor + n);
  int near[kNear] = {}, n_near = 0;
  for (int c = 0; c < n; ++c) {
    const double* x = cells.xyz + 3 * c;
    r[c] = std::sqrt((p[0] - x[0]) * (p[0] - x[0]) + (p[1] - x[1]) * (p[1] - x[1]) + (p[2] - x[2]) * (p[2] - x[2]));
  }
  // Most points of an outer shell lie beyond an atom that shields the atom's own cell: one
  // pass over its row settles them before any other cell is looked at.
  {
    const double* inv = cells.inverse_distance + std::int64_t{atom} * n;
    const double* adj = cells.adjust + std::int64_t{atom} * n;
    const double ra = r[atom];
    int shielded = 0;
    for (int c = 0; c < n; ++c) {
      const double mu = (ra - r[c]) * inv[c];
      shielded |= mu + adj[c] * (1.0 - mu * mu) >= kClamp;
    }
    if (shielded) return 0.0;
  }
  for (int c = 0; c < n; ++c) {
    int k = n_near;
    if (n_near < kNear) ++n_near;
    else if (r[c] >= r[near[--k]]) continue;
    for (; k > 0 && r[near[k - 1]] > r[c]; --k) near[k] = near[k - 1];
    near[k] = c;
  }
  auto nu_of = [&](int b, int c, double* mu) {
    const std::int64_t bc = std::int64_t{b} * n + c;
    *mu = (r[b] - r[c]) * cells.inverse_distance[bc];
    return *mu + cells.adjust[bc] * (1.0 - *mu * *mu);
  };
  // A cell ends where a nearer atom shields it (nu >= 0.95); the nearest atoms shield most.
  // nu_bc = mu + a_bc (1 - mu^2) with a_bc = -a_cb: row c of the tables serves every b.
  double* shield = factor;
  std::fill(shield, shield + n, 0.0);
  for (int k = 0; k < n_near; ++k) {
    const int c = near[k];
    const double* inv = cells.inverse_distance + std::int64_t{c} * n;
    const double* adj = cells.adjust + std::int64_t{c} * n;
    const double rc = r[c];
    for (int b = 0; b < n; ++b) {
      const double mu = (r[b] - rc) * inv[b];
      shield[b] = mu - adj[b] * (1.0 - mu * mu) >= kClamp ? 1.0 : shield[b];
    }
  }
  int n_alive = 0;  // the atom's own cell survived the pass above
  alive[n_alive++] = atom;
  for (int b = 0; b < n; ++b)
    if (b != atom && shield[b] == 0.0) alive[n_alive++] = b;
  double sum = 0.0;
  for (int k = 0; k < n_alive; ++k) {
    const int b = alive[k];
    // The nearest atoms give most of a cell's product: a cell below 1e-14 there is left out
    // (the nearest atom's own cell is rarely below 1e-3, so the shares move by 1e-10 at most).
    const double* inv = cells.inverse_distance + std::int64_t{b} * n;
    const double* adj = cells.adjust + std::int64_t{b} * n;
    double near_factor[kNear];
    for (int j = 0; j < kNear; ++j) {  // one vector: the nearest atoms' factors at once
      const int c = near[j];
      const double mu = (r[b] - r[c]) * inv[c];
      const double nu = std::max(mu + adj[c] * (1.0 - mu * mu), -1.0);
      near_factor[j] = j >= n_near || c == b ? 1.0 : cell_step(nu);
    }
    double partial = 1.0;
    for (int j = 0; j < kNear; ++j) partial *= near_factor[j];
    if (partial < kNegligible) {
      if (k == 0) return 0.0;
      cell[k] = 0.0;
      continue;
    }
    const double rb = r[b];
    // Branch-free, so that the compiler keeps it on the vector units: this loop is most of
    // the grid construction of a large molecule.
    for (int c = 0; c < n; ++c) {
      const double mu = (rb - r[c]) * inv[c];
      const double nu = mu + adj[c] * (1.0 - mu * mu);
      const double step = cell_step(nu);
      factor[c] = nu >= kClamp ? 0.0 : (nu <= -kClamp ? 1.0 : step);
    }
    factor[b] = 1.0;
    // Sixteen independent chains of products hide the multiplier's latency.
    double lane[16];
    std::fill(lane, lane + 16, 1.0);
    int c = 0;
    for (; c + 16 <= n; c += 16)
      for (int j = 0; j < 16; ++j) lane[j] *= factor[c + j];
    for (; c < n; ++c) lane[0] *= factor[c];
    for (int w = 8; w > 0; w /= 2)
      for (int j = 0; j < w; ++j) lane[j] *= lane[j + w];
    const double product = lane[0];
    cell[k] = product;
    sum += product;
  }
  if (cell[0] == 0.0) return 0.0;
  const double share = cell[0] / sum;
  if (!dlnw) return share;

  // d ln(share)/dR_C = d ln P_atom/dR_C - sum_B (P_B / sum) d ln P_B/dR_C with the point fixed;
  // only the pairs (B, D) with C in {B, D} and |nu_BD| < 0.95 depend on R_C.
  std::fill(dlnw, dlnw + 3 * n, 0.0);
  for (int k = 0; k < n_alive; ++k) {
    if (cell[k] == 0.0) continue;
    const int b = alive[k];
    const double weight = (k == 0 ? 1.0 : 0.0) - cell[k] / sum;
    const double* xb = cells.xyz + 3 * b;
    const double rb = r[b] > 0.0 ? 1.0 / r[b] : 0.0;
    for (int d = 0; d < n; ++d) {
      if (d == b) continue;
      double mu;
      const double nu = nu_of(b, d, &mu);
      if (std::fabs(nu) >= kClamp) continue;
      double slope;
      const double s = cell_step(nu, &slope);
      const std::int64_t bd = std::int64_t{b} * n + d;
      const double inv = cells.inverse_distance[bd];
      const double t = weight * slope / s * (1.0 - 2.0 * cells.adjust[bd] * mu) * inv;
      const double* xd = cells.xyz + 3 * d;
      const double rd = r[d] > 0.0 ? 1.0 / r[d] : 0.0;
      for (int x = 0; x < 3; ++x) {
        const double u = (xb[x] - xd[x]) * inv;  // dmu/dR_b = (-e_b - mu u) / R, dmu/dR_d = (e_d + mu u) / R
        dlnw[3 * b + x] += t * (-(p[x] - xb[x]) * rb - mu * u);
        dlnw[3 * d + x] += t * ((p[x] - xd[x]) * rd + mu * u);
      }
    }
  }
  // The point moves with its atom: moving every atom leaves the share unchanged.
  double total[3] = {0.0, 0.0, 0.0};
  for (int c = 0; c < n; ++c)
    if (c != atom)
      for (int x = 0; x < 3; ++x) total[x] += dlnw[3 * c + x];
  for (int x = 0; x < 3; ++x) dlnw[3 * atom + x] = -total[x];
  return share;
}

}  // namespace ostrel
