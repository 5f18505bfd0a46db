// Exponential repulsion plus Coulomb between atoms that are neither bonded nor share a
// neighbour: E = (q_i q_j + exp(-alpha (r - R_i - R_j))) / r, alpha = 2 a_i a_j / (a_i + a_j).
#include "models/mm/mm_nonbonded.hpp"

#include <cmath>

#include "model/molecule_record.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// f'' u u^T + (f'/r)(1 - u u^T) into the (a, a), (b, b) and (a, b) blocks.
void add_pair_hessian(double* h, int a, int b, const double* u, double f1_r, double f2) {
  double block[3][3];
  for (int x = 0; x < 3; ++x)
    for (int y = 0; y < 3; ++y) block[x][y] = (f2 - f1_r) * u[x] * u[y] + (x == y ? f1_r : 0.0);
  auto at = [h](long long i, long long j) -> double& { return h[i * (i + 1) / 2 + j]; };
  const long long ia = 3LL * a, ib = 3LL * b;  // b < a
  for (int x = 0; x < 3; ++x)
    for (int y = 0; y < 3; ++y) {
      if (y <= x) {
        at(ia + x, ia + y) += block[x][y];
        at(ib + x, ib + y) += block[x][y];
      }
      at(ia + x, ib + y) -= block[x][y];
    }
}

// Repulsion constants of every type pair that occurs. Beyond rsum + kFar / alpha the
// exponential is below 1e-20 and is left out, so distant uncharged pairs cost one distance.
struct PairTable {
  int nt;
  double* alpha;
  double* rsum;
  double* cut2;
};

constexpr double kFar = 46.0;

void fill_pairs(const MmParameters& p, PairTable& t) {
  for (int i = 0; i < t.nt; ++i)
    for (int j = 0; j < t.nt; ++j) {
      const double ai = p.atom[i].p[3], aj = p.atom[j].p[3], hardness = ai + aj;
      const int k = i * t.nt + j;
      // Types without a hardness have no repulsion.
      t.alpha[k] = hardness > 0.0 ? 2.0 * ai * aj / hardness : 0.0;
      t.rsum[k] = p.atom[i].p[2] + p.atom[j].p[2];
      const double cut = t.alpha[k] > 0.0 ? std::fmax(t.rsum[k] + kFar / t.alpha[k], 0.0) : 0.0;
      t.cut2[k] = t.alpha[k] > 0.0 ? cut * cut : -1.0;
    }
}

}  // namespace

double mm_nonbonded(const MmTopology& t, const MmParameters& p, MmSums& s) {
  const int nt = p.ntypes > 0 ? p.ntypes : 1;
  PoolArray<int> stamp(t.n);
  PoolArray<double> constants(3 * nt * nt);
  PairTable pairs{nt, constants.data(), constants.data() + nt * nt, constants.data() + 2 * nt * nt};
  fill_pairs(p, pairs);
  for (int a = 0; a < t.n; ++a) stamp[a] = -1;
  double energy = 0.0;
  for (int a = 0; a < t.n; ++a) {
    // 1-2 and 1-3 partners of a carry the stamp a.
    for (const int* k = t.neighbours + MAX_NEIGHBOURS * a; *k >= 0; ++k) {
      stamp[*k] = a;
      for (const int* l = t.neighbours + MAX_NEIGHBOURS * *k; *l >= 0; ++l) stamp[*l] = a;
    }
    const double* xa = t.xyz + 3 * a;
    const double qa = t.charge[a];
    const int row = t.type[a] * nt;
    double ga[3] = {0.0, 0.0, 0.0};
    for (int b = 0; b < a; ++b) {
      if (stamp[b] == a) continue;
      const double* xb = t.xyz + 3 * b;
      const double d[3] = {xa[0] - xb[0], xa[1] - xb[1], xa[2] - xb[2]};
      const double r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
      const int k = row + t.type[b];
      const double qq = qa * t.charge[b];
      const bool near = r2 < pairs.cut2[k];
      if (!near && qq == 0.0) continue;
      const double r = std::sqrt(r2), inv = 1.0 / r, alpha = pairs.alpha[k];
      const double w = near ? std::exp(-alpha * (r - pairs.rsum[k])) : 0.0;
      const double num = qq + w;
      energy += num * inv;
      const double f1 = -(alpha * w + num * inv) * inv;
      const double u[3] = {d[0] * inv, d[1] * inv, d[2] * inv};
      for (int x = 0; x < 3; ++x) {
        ga[x] += f1 * u[x];
        s.gradient[3 * b + x] -= f1 * u[x];
      }
      if (s.hessian) {
        const double f2 = (alpha * alpha * w + 2.0 * (alpha * w + num * inv) * inv) * inv;
        add_pair_hessian(s.hessian, a, b, u, f1 * inv, f2);
      }
    }
    for (int x = 0; x < 3; ++x) s.gradient[3 * a + x] += ga[x];
  }
  return energy;
}

}  // namespace ostrel
