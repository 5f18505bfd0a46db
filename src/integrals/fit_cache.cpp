#include "integrals/fit_cache.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "integrals/coulomb_blocks.hpp"
#include "integrals/coulomb_pairs.hpp"
#include "integrals/obara_saika.hpp"
#include "integrals/one_electron_matrices.hpp"
#include "integrals/shell.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/store_backing.hpp"

namespace ostrel {
namespace {

// Layout of the record: a header of six 64-bit integers (capacity in doubles, atoms, n, m,
// filled flag, spare), the key (epsilon, two basis checksums, coordinates), the offset of
// every atom pair's block (natom x natom, -1 when the pair is not kept) and the blocks. A
// block holds, for every fitting function k, the integrals (k|mu nu) of the pair's columns
// (see pair_columns), row k after row k. Every part is 8 bytes wide, so the record is seen
// as words (header, index) or doubles.
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

// The function pairs (i on B, j on A, column i * nA + j) of atom pair (a, b) whose shell
// pair has a primitive pair within x_max: exactly the columns the direct evaluation fills,
// so dropping the others changes nothing. Ascending, so that sums run in the order of the
// full block. Returns their count; `cols` (nA nB) may be null.
int pair_columns(const AtomSet& orb, int ia, int ib, double x_max, int* cols) {
  const AtomFunctions &a = orb.atoms[ia], &b = orb.atoms[ib];
  PoolArray<char> kept(static_cast<std::int64_t>(b.nshell) * a.nshell);
  for (int sb = 0; sb < b.nshell; ++sb)
    for (int sa = 0; sa < a.nshell; ++sa) {
      bool any = false;
      for (int eb = 0; eb < b.nexp && !any; ++eb) {
        if (b.coefficients[eb * b.nshell + sb] == 0.0) continue;
        for (int ea = 0; ea < a.nexp && !any; ++ea)
          any = a.coefficients[ea * a.nshell + sa] != 0.0 &&
                gaussian_pair(a.exponents[ea], a.centre, b.exponents[eb], b.centre).exponent <= x_max;
      }
      kept[sb * a.nshell + sa] = any;
    }
  int count = 0;
  for (int sb = 0; sb < b.nshell; ++sb)
    for (int i = b.shell_first[sb]; i < b.shell_first[sb] + shell_size(b.shell_l[sb]); ++i)
      for (int sa = 0; sa < a.nshell; ++sa) {
        if (!kept[sb * a.nshell + sa]) continue;
        for (int j = a.shell_first[sa]; j < a.shell_first[sa] + shell_size(a.shell_l[sa]); ++j, ++count)
          if (cols) cols[count] = i * a.nfunc + j;
      }
  return count;
}

inline double packed_get(const double* p, long r, long c) {
  return r >= c ? p[r * (r + 1) / 2 + c] : p[c * (c + 1) / 2 + r];
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

// The packed m x ncols block of atom pair (a, b) into `block`, using `full` (m nA nB) as work.
void build_packed_block(const AtomSet& orb, const AtomSet& aux, int ia, int ib, double x_max, PairWork& pw,
                        const FitVectors& fv, int ncols, const int* cols, double* full, double* block) {
  const int m = aux.first_function[aux.natom];
  const std::int64_t nab = static_cast<std::int64_t>(orb.atoms[ia].nfunc) * orb.atoms[ib].nfunc;
  build_block(orb, aux, ia, ib, x_max, pw, fv, full);
  for (int k = 0; k < m; ++k) {
    const double* row = full + k * nab;
    double* out = block + static_cast<std::int64_t>(k) * ncols;
    for (int c = 0; c < ncols; ++c) out[c] = row[cols[c]];
  }
}

int largest_pair_functions(const AtomSet& orb) {
  int largest = 0;
  for (int i = 0; i < orb.natom; ++i) largest = std::max(largest, orb.atoms[i].nfunc);
  return largest * largest;
}

// One line when the reserved room holds only part of the integrals: what is kept, and what
// would keep all: a larger store (the record may take half of the free space), or a scratch
// directory with more free disk when that is what limits.
void print_shortfall(std::int64_t kept_doubles, std::int64_t need_doubles, std::int64_t used_bytes,
                     bool disk_limited) {
  if (!is_master) return;
  constexpr double kMB = 1 << 20;
  const double need = 8.0 * static_cast<double>(need_doubles);
  const double store = 2.0 * need + static_cast<double>(used_bytes);
  std::printf(" three-centre integrals: %.1f of %.1f MB kept, the rest recomputed every iteration;",
              8.0 * kept_doubles / kMB, need / kMB);
  if (disk_limited)
    std::printf(" a scratch path with %.0f MB free would keep all\n", std::ceil(2.0 * node_count * need / kMB));
  else
    std::printf(" $system disk=%.0f (or disk=-%.0f in memory) would keep all\n", std::ceil(store / (1024.0 * kMB)),
                std::ceil(store / kMB));
  std::fflush(stdout);
}

std::int64_t pair_offset(const std::int64_t* index, int natom, int a, int b) {
  return index[static_cast<std::int64_t>(a) * natom + b];
}

// Calls body(a, b, ncols, cols, block) for every kept pair of `pairs`, with its columns and
// its packed block read from the record.
template <class Body>
void for_each_kept_block(const AtomSet& orb, int m, const FitPairs& pairs, double epsilon, Body&& body) {
  const int natom = orb.natom;
  const Layout lay(natom);
  const double x_max = pair_screening_limit(epsilon);
  const int largest = largest_pair_functions(orb);
  PoolArray<std::int64_t> index(static_cast<std::int64_t>(natom) * natom);
  record_read(kWords, index.span(), lay.index_at);
  PoolArray<int> cols(largest);
  PoolArray<double> block(static_cast<std::int64_t>(m) * largest);
  for_each_fit_pair(pairs, natom, [&](int a, int b) {
    const std::int64_t at = pair_offset(index.data(), natom, a, b);
    if (at < 0) return;
    const int ncols = pair_columns(orb, a, b, x_max, cols.data());
    record_read(kValues, block.data(), static_cast<std::int64_t>(m) * ncols, lay.data_at + at);
    body(a, b, ncols, cols.data(), block.data());
  });
}

// The direct evaluation's work on atom pair (a, b): the Hermite lengths of its primitive
// pairs that survive the screening (each meets every fitting function).
double pair_work(const AtomSet& orb, int ia, int ib, double x_max) {
  const AtomFunctions &a = orb.atoms[ia], &b = orb.atoms[ib];
  double work = 0.0;
  for (int eb = 0; eb < b.nexp; ++eb) {
    const ExponentL rb = exponent_l(b, eb);
    if (rb.hi < rb.lo) continue;
    for (int ea = 0; ea < a.nexp; ++ea) {
      const ExponentL ra = exponent_l(a, ea);
      if (ra.hi >= ra.lo && gaussian_pair(a.exponents[ea], a.centre, b.exponents[eb], b.centre).exponent <= x_max)
        work += hermite_count(rb.hi + ra.hi);
    }
  }
  return work;
}

// The pairs to keep within `capacity` doubles: when not all fit, those that save the most
// direct work per stored column first. Their offsets go into `index` (natom x natom, -1 for
// the others) in the order of `pairs`; returns how many are kept.
std::int64_t choose_pairs(const AtomSet& orb, int m, const FitPairs& pairs, double x_max, std::int64_t capacity,
                          std::int64_t* index) {
  const int natom = orb.natom;
  const std::int64_t nn = static_cast<std::int64_t>(natom) * natom;
  std::fill(index, index + nn, std::int64_t{-1});
  PoolArray<std::int64_t> size(nn), order(nn);
  PoolArray<double> gain(nn);
  std::int64_t count = 0, total = 0;
  for_each_fit_pair(pairs, natom, [&](int a, int b) {
    const std::int64_t id = static_cast<std::int64_t>(a) * natom + b;
    const int ncols = pair_columns(orb, a, b, x_max, nullptr);
    size[id] = static_cast<std::int64_t>(m) * ncols;
    gain[id] = ncols > 0 ? pair_work(orb, a, b, x_max) / ncols : 0.0;
    total += size[id];
    order[count++] = id;
  });
  if (total > capacity)
    std::sort(order.data(), order.data() + count, [&](std::int64_t x, std::int64_t y) {
      return gain[x] != gain[y] ? gain[x] > gain[y] : x < y;
    });
  std::int64_t used = 0, kept = 0;
  for (std::int64_t x = 0; x < count; ++x)
    if (used + size[order[x]] <= capacity) {
      index[order[x]] = 0;  // chosen; offsets follow
      used += size[order[x]];
      ++kept;
    }
  used = 0;
  for_each_fit_pair(pairs, natom, [&](int a, int b) {
    const std::int64_t id = static_cast<std::int64_t>(a) * natom + b;
    if (index[id] < 0) return;
    index[id] = used;
    used += size[id];
  });
  return kept;
}

}  // namespace

void fit_cache_reserve(const AtomSet& orb, int m, double epsilon, std::int64_t later_bytes) {
  if (record_exists(kWords)) return;
  const int natom = orb.natom;
  const Layout lay(natom);
  const double x_max = pair_screening_limit(epsilon);
  std::int64_t all = 0;
  for (int a = 0; a < natom; ++a)
    for (int b = 0; b <= a; ++b) all += static_cast<std::int64_t>(m) * pair_columns(orb, a, b, x_max, nullptr);
  // A node keeps its own atoms' pairs; the groups are even in atoms, not in pairs.
  const std::int64_t need = node_count > 1 ? all / node_count + all / (4L * node_count) : all;
  int peak_kb = 0, written_kb = 0, read_kb = 0;
  store_usage(&peak_kb, &written_kb, &read_kb);
  const std::int64_t peak = 1024 * static_cast<std::int64_t>(peak_kb);
  // Half the free space at most: the records of the runs come after this one, beyond those
  // already announced (the grid's weight records: 370 MB for 122 atoms). The scratch files
  // grow as they are written, so half of the disk's free space (shared by the nodes) bounds
  // it too: a smaller cache is slower, a full disk is fatal.
  const std::int64_t store_room = (backing_capacity() - peak - later_bytes) / 2 / 8;
  const std::int64_t disk_room = backing_disk_free() / 2 / 8 / node_count;
  const std::int64_t room = std::min(store_room, disk_room) - lay.data_at;
  // Some slack for geometries that bring atoms closer (pairs that no longer fit are
  // computed directly).
  const std::int64_t capacity = std::min(need + need / 8, room);
  if (need > room)
    print_shortfall(std::max<std::int64_t>(capacity, 0), need + lay.data_at, peak + later_bytes,
                    disk_room < store_room);
  if (capacity <= 0) return;
  const std::int64_t header[kHeader] = {capacity, natom, orb.first_function[natom], m, 0, 0};
  record_alloc(kWords, lay.data_at + capacity);
  record_write(kWords, header, kHeader);
}

bool fit_cache_prepare(const AtomSet& orb, const AtomSet& aux, const double* xyz, const FitPairs& pairs,
                       double epsilon, int* rest) {
  const int natom = orb.natom;
  const int n = orb.first_function[natom], m = aux.first_function[aux.natom];
  const Layout lay(natom);
  const double x_max = pair_screening_limit(epsilon);
  std::int64_t header[kHeader] = {0, 0, 0, 0, 0, 0};
  if (record_exists(kWords)) record_read(kWords, header, kHeader);
  const bool usable = header[1] == natom && record_count(kWords) == lay.data_at + header[0];
  PoolArray<std::int64_t> index(static_cast<std::int64_t>(natom) * natom);
  const std::int64_t kept = usable ? choose_pairs(orb, m, pairs, x_max, header[0], index.data()) : 0;
  PoolArray<int> length(natom);
  std::fill(length.data(), length.data() + natom, 0);
  for_each_fit_pair(pairs, natom, [&](int a, int b) {
    if (!usable || pair_offset(index.data(), natom, a, b) < 0) rest[static_cast<std::int64_t>(a) * natom + length[a]++] = b;
  });
  for (int a = 0; a < natom; ++a)
    if (length[a] < natom) rest[static_cast<std::int64_t>(a) * natom + length[a]] = -1;
  if (kept == 0) return false;

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
    const int largest = largest_pair_functions(orb);
    PairWork pw(orb, false);
    FitVectors fv(aux, 0);
    PoolArray<int> cols(largest);
    PoolArray<double> full(static_cast<std::int64_t>(m) * largest), block(full.size());
    for_each_fit_pair(pairs, natom, [&](int a, int b) {
      const std::int64_t at = pair_offset(index.data(), natom, a, b);
      if (at < 0) return;
      const int ncols = pair_columns(orb, a, b, x_max, cols.data());
      build_packed_block(orb, aux, a, b, x_max, pw, fv, ncols, cols.data(), full.data(), block.data());
      record_write(kValues, block.data(), static_cast<std::int64_t>(m) * ncols, lay.data_at + at);
    });
  }
  header[4] = 1;
  record_write(kWords, header, kHeader);
  return true;
}

void fit_cache_projection(const AtomSet& orb, int m, const FitPairs& pairs, double epsilon, int nd,
                          const double* densities, double* gamma, std::int64_t atom_stride) {
  const long n2 = packed_size(orb.first_function[orb.natom]);
  PoolArray<double> p(static_cast<std::int64_t>(largest_pair_functions(orb)) * nd);
  for_each_kept_block(orb, m, pairs, epsilon, [&](int a, int b, int ncols, const int* cols, const double* block) {
    const int na = orb.atoms[a].nfunc;
    const long fa = orb.first_function[a], fb = orb.first_function[b];
    const double factor = a != b ? 2.0 : 1.0;
    for (int d = 0; d < nd; ++d)
      for (int c = 0; c < ncols; ++c)
        p[static_cast<long>(d) * ncols + c] =
            factor * packed_get(densities + d * n2, fb + cols[c] / na, fa + cols[c] % na);
    for (int k = 0; k < m; ++k) {
      const double* row = block + static_cast<std::int64_t>(k) * ncols;
      for (int d = 0; d < nd; ++d) {
        const double* pd = p.data() + static_cast<long>(d) * ncols;
        double s = 0.0;
        for (int x = 0; x < ncols; ++x) s += row[x] * pd[x];
        gamma[a * atom_stride + static_cast<long>(d) * m + k] += s;
      }
    }
  });
}

void fit_cache_assembly(const AtomSet& orb, int m, const FitPairs& pairs, double epsilon, int nd,
                        const double* coefficients, double* matrices) {
  const long n2 = packed_size(orb.first_function[orb.natom]);
  PoolArray<double> jb(static_cast<std::int64_t>(largest_pair_functions(orb)) * nd);
  for_each_kept_block(orb, m, pairs, epsilon, [&](int a, int b, int ncols, const int* cols, const double* block) {
    const int na = orb.atoms[a].nfunc;
    const long fa = orb.first_function[a], fb = orb.first_function[b];
    std::fill(jb.data(), jb.data() + static_cast<long>(nd) * ncols, 0.0);
    for (int k = 0; k < m; ++k) {
      const double* row = block + static_cast<std::int64_t>(k) * ncols;
      for (int d = 0; d < nd; ++d) {
        const double c = coefficients[static_cast<long>(d) * m + k];
        if (c == 0.0) continue;
        double* out = jb.data() + static_cast<long>(d) * ncols;
        for (int x = 0; x < ncols; ++x) out[x] += c * row[x];
      }
    }
    for (int d = 0; d < nd; ++d)
      for (int c = 0; c < ncols; ++c) {
        const long row = fa + cols[c] % na, col = fb + cols[c] / na;
        if (row >= col) matrices[d * n2 + row * (row + 1) / 2 + col] += jb[static_cast<long>(d) * ncols + c];
      }
  });
}

}  // namespace ostrel
