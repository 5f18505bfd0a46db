#include "integrals/fit_cache.hpp"

#include <algorithm>
#include <cstdint>

#include "integrals/coulomb_blocks.hpp"
#include "integrals/coulomb_pairs.hpp"
#include "integrals/one_electron_matrices.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/store_backing.hpp"

namespace ostrel {
namespace {

// Layout of the record: a header of six 64-bit integers (capacity in doubles, atoms, n, m,
// filled flag, spare), the key (epsilon, two basis checksums, coordinates), the offset of
// every atom pair's block (natom x natom, -1 when absent) and the blocks. A block holds, for
// every fitting function k, the nB x nA integrals (k|mu nu) of the pair, row k after row k.
// Every part is 8 bytes wide, so the record is seen as words (header, index) or doubles.
constexpr Record<std::int64_t> kWords = rec::ri_B;
constexpr Record<double> kValues{rec::ri_B.name};
constexpr std::int64_t kHeader = 6;

// Positions in 8-byte elements.
struct Layout {
  int natom;
  std::int64_t key_doubles, key_at, index_at, data_at;
  explicit Layout(int n_atoms)
      : natom(n_atoms),
        key_doubles(3 + 3L * n_atoms),
        key_at(kHeader),
        index_at(key_at + key_doubles),
        data_at(index_at + std::int64_t{n_atoms} * n_atoms) {}
};

double checksum(const AtomSet& set) {
  double s = 0.0;
  for (int i = 0; i < set.natom; ++i) {
    const AtomFunctions& f = set.atoms[i];
    s += f.nfunc * (i + 1.0);
    for (int e = 0; e < f.nexp; ++e) s += f.exponents[e] * (e + 1.0);
    for (int k = 0; k < f.nexp * f.nshell; ++k) s += f.coefficients[k] * (k + 0.5);
  }
  return s;
}

inline double packed_get(const double* p, long r, long c) {
  return r >= c ? p[r * (r + 1) / 2 + c] : p[c * (c + 1) / 2 + r];
}

std::int64_t block_size(const AtomSet& orb, int m, int a, int b) {
  return static_cast<std::int64_t>(m) * orb.atoms[a].nfunc * orb.atoms[b].nfunc;
}

// (k|mu nu) of atom pair (a, b <= a) into block, built once per exponent pair as in the
// direct projection, then carried to the contracted functions for every k.
void build_block(const AtomSet& orb, const AtomSet& aux, int ia, int ib, double x_max, PairWork& pw,
                 const FitVectors& fv, double* block) {
  const int m = aux.first_function[aux.natom];
  const int na = orb.atoms[ia].nfunc, nab = orb.atoms[ib].nfunc * na;
  const int lo = 2 * largest_l(orb), lk = largest_l(aux);
  const int nhmax = hermite_count(lo);
  PoolArray<double> q(static_cast<std::int64_t>(nhmax) * m), w(nhmax);
  PoolArray<double> tab(static_cast<std::int64_t>(nhmax) * hermite_count(lk));
  static HermiteIntegrals r;
  std::fill(block, block + static_cast<std::int64_t>(m) * nab, 0.0);
  for_each_primitive_pair(orb, ia, ib, pw, x_max, [&](const GaussianPair& g) {
    const int l = pw.order(), nh = hermite_count(l);
    std::fill(q.data(), q.data() + static_cast<std::int64_t>(nh) * m, 0.0);
    for (int ic = 0; ic < aux.natom; ++ic)
      for_each_fit_exponent(Interaction::coulomb, g, l, aux, fv, ic, r, tab.data(), [&](int ec, int nk) {
        for (int x = 0; x < nh; ++x)
          fv.project(ic, ec, tab.data() + static_cast<long>(x) * nk, q.data() + static_cast<long>(x) * m + aux.first_function[ic]);
      });
    for (int k = 0; k < m; ++k) {
      bool any = false;
      for (int x = 0; x < nh; ++x) {
        w[x] = q[static_cast<long>(x) * m + k];
        any = any || w[x] != 0.0;
      }
      if (any) pw.scatter_block(w.data(), block + static_cast<std::int64_t>(k) * nab, na);
    }
  });
}

}  // namespace

void fit_cache_reserve(const AtomSet& orb, int m) {
  if (record_exists(kWords)) return;
  const int natom = orb.natom;
  const Layout lay(natom);
  std::int64_t need = 0;
  for (int a = 0; a < natom; ++a)
    for (int b = 0; b <= a; ++b) need += block_size(orb, m, a, b);
  int peak_kb = 0, written_kb = 0, read_kb = 0;
  store_usage(&peak_kb, &written_kb, &read_kb);
  const std::int64_t free_bytes = backing_capacity() - 1024 * static_cast<std::int64_t>(peak_kb);
  if (8 * (lay.data_at + need) > free_bytes / 2) return;
  const std::int64_t header[kHeader] = {need, natom, orb.first_function[natom], m, 0, 0};
  record_alloc(kWords, lay.data_at + need);
  record_write(kWords, header, kHeader);
}

bool fit_cache_prepare(const AtomSet& orb, const AtomSet& aux, const double* xyz, const FitPairs& pairs,
                       double epsilon) {
  const int natom = orb.natom;
  const int n = orb.first_function[natom], m = aux.first_function[aux.natom];
  const Layout lay(natom);
  PoolArray<std::int64_t> index(static_cast<std::int64_t>(natom) * natom);
  std::fill(index.data(), index.data() + index.size(), std::int64_t{-1});
  std::int64_t need = 0;
  for_each_fit_pair(pairs, natom, [&](int a, int b) {
    index[static_cast<std::int64_t>(a) * natom + b] = need;
    need += block_size(orb, m, a, b);
  });

  std::int64_t header[kHeader];
  if (!record_exists(kWords)) return false;
  record_read(kWords, header, kHeader);
  if (header[1] != natom || record_count(kWords) != lay.data_at + header[0] || need > header[0] || need == 0)
    return false;

  PoolArray<double> key(lay.key_doubles), old_key(lay.key_doubles);
  key[0] = epsilon;
  key[1] = checksum(orb);
  key[2] = checksum(aux);
  std::copy(xyz, xyz + 3L * natom, key.data() + 3);
  if (header[4] == 1 && header[2] == n && header[3] == m) {
    PoolArray<std::int64_t> old_index(index.size());
    record_read(kValues, old_key.span(), lay.key_at);
    record_read(kWords, old_index.span(), lay.index_at);
    if (std::equal(key.data(), key.data() + key.size(), old_key.data()) &&
        std::equal(index.data(), index.data() + index.size(), old_index.data()))
      return true;
  }

  header[2] = n;
  header[3] = m;
  header[4] = 0;
  record_write(kWords, header, kHeader);
  record_write(kValues, key.data(), lay.key_doubles, lay.key_at);
  record_write(kWords, index.data(), index.size(), lay.index_at);
  {
    std::int64_t largest = 0;
    for_each_fit_pair(pairs, natom, [&](int a, int b) { largest = std::max(largest, block_size(orb, m, a, b)); });
    const double x_max = pair_screening_limit(epsilon);
    PairWork pw(orb, false);
    FitVectors fv(aux, 0);
    PoolArray<double> block(largest);
    for_each_fit_pair(pairs, natom, [&](int a, int b) {
      build_block(orb, aux, a, b, x_max, pw, fv, block.data());
      record_write(kValues, block.data(), block_size(orb, m, a, b),
                   lay.data_at + index[static_cast<std::int64_t>(a) * natom + b]);
    });
  }
  header[4] = 1;
  record_write(kWords, header, kHeader);
  return true;
}

void fit_cache_projection(const AtomSet& orb, int m, const FitPairs& pairs, int nd, const double* densities,
                          double* gamma) {
  const int natom = orb.natom;
  const Layout lay(natom);
  const long n2 = packed_size(orb.first_function[natom]);
  std::int64_t largest = 0, offset = 0;
  for_each_fit_pair(pairs, natom, [&](int a, int b) { largest = std::max(largest, block_size(orb, m, a, b)); });
  PoolArray<double> block(largest), p(largest / m * nd);
  for_each_fit_pair(pairs, natom, [&](int a, int b) {
    const int na = orb.atoms[a].nfunc, nb = orb.atoms[b].nfunc, nab = na * nb;
    const long fa = orb.first_function[a], fb = orb.first_function[b];
    const double factor = a != b ? 2.0 : 1.0;
    record_read(kValues, block.data(), block_size(orb, m, a, b), lay.data_at + offset);
    offset += block_size(orb, m, a, b);
    for (int d = 0; d < nd; ++d)
      for (int i = 0; i < nb; ++i)
        for (int j = 0; j < na; ++j)
          p[static_cast<long>(d) * nab + i * na + j] = factor * packed_get(densities + d * n2, fb + i, fa + j);
    for (int k = 0; k < m; ++k) {
      const double* row = block.data() + static_cast<std::int64_t>(k) * nab;
      for (int d = 0; d < nd; ++d) {
        const double* pd = p.data() + static_cast<long>(d) * nab;
        double s = 0.0;
        for (int x = 0; x < nab; ++x) s += row[x] * pd[x];
        gamma[static_cast<long>(d) * m + k] += s;
      }
    }
  });
}

void fit_cache_assembly(const AtomSet& orb, int m, const FitPairs& pairs, int nd, const double* coefficients,
                        double* matrices) {
  const int natom = orb.natom;
  const Layout lay(natom);
  const long n2 = packed_size(orb.first_function[natom]);
  std::int64_t largest = 0, offset = 0;
  for_each_fit_pair(pairs, natom, [&](int a, int b) { largest = std::max(largest, block_size(orb, m, a, b)); });
  PoolArray<double> block(largest), jb(largest / m * nd);
  for_each_fit_pair(pairs, natom, [&](int a, int b) {
    const int na = orb.atoms[a].nfunc, nb = orb.atoms[b].nfunc, nab = na * nb;
    const long fa = orb.first_function[a], fb = orb.first_function[b];
    record_read(kValues, block.data(), block_size(orb, m, a, b), lay.data_at + offset);
    offset += block_size(orb, m, a, b);
    std::fill(jb.data(), jb.data() + static_cast<long>(nd) * nab, 0.0);
    for (int k = 0; k < m; ++k) {
      const double* row = block.data() + static_cast<std::int64_t>(k) * nab;
      for (int d = 0; d < nd; ++d) {
        const double c = coefficients[static_cast<long>(d) * m + k];
        if (c == 0.0) continue;
        double* out = jb.data() + static_cast<long>(d) * nab;
        for (int x = 0; x < nab; ++x) out[x] += c * row[x];
      }
    }
    for (int d = 0; d < nd; ++d)
      for (int i = 0; i < nb; ++i)
        for (int j = 0; j < na; ++j) {
          const long row = fa + j, col = fb + i;
          if (row >= col) matrices[d * n2 + row * (row + 1) / 2 + col] += jb[static_cast<long>(d) * nab + i * na + j];
        }
  });
}

}  // namespace ostrel
