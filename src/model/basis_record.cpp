#include "model/basis_record.hpp"

#include <cmath>
#include <cstring>

#include "model/units.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {

namespace {

constexpr std::int64_t kHeaderBytes = 32;  // seven ints and a spare one

std::int64_t round8(std::int64_t bytes) { return (bytes + 7) & ~std::int64_t{7}; }

std::int64_t work_width(int relativistic, int n_functions) {
  return relativistic == 2 ? 2 * std::int64_t{n_functions} : n_functions;
}

int exponent_row(const double* exps, int e, double a) {
  for (int k = 0; k < e; ++k)
    if (exps[k] == a) return k;
  return -1;
}

}  // namespace

std::int64_t kind_record_size(int relativistic, int lmax, int e, int s, int nf) {
  const std::int64_t w = work_width(relativistic, nf);
  const std::int64_t doubles = e + 4 * std::int64_t{e} * s + e + 3 * w * w;
  const std::int64_t ints = 3 * std::int64_t{e} + std::int64_t{e} * s + s + (s + 1) + (lmax + 1) + (lmax + 2);
  return kHeaderBytes + 8 * doubles + round8(4 * ints);
}

void kind_attach(BasisKind& k, void* record) {
  const int* head = static_cast<const int*>(record);
  k.size_bytes = head[0];
  k.relativistic = head[1];
  k.lmax = head[2];
  k.n_exponents = head[3];
  k.n_shells = head[4];
  k.n_nonzero = head[5];
  k.n_functions = head[6];
  const std::int64_t e = k.n_exponents, s = k.n_shells;
  const std::int64_t w = work_width(k.relativistic, k.n_functions);
  double* d = reinterpret_cast<double*>(static_cast<char*>(record) + kHeaderBytes);
  k.exponents = d;
  d += e;
  for (double*& c : k.coef) {
    c = d;
    d += e * s;
  }
  k.extent2 = d;
  d += e;
  k.work1 = d;
  d += w * w;
  k.work2 = d;
  d += 2 * w * w;
  int* i = reinterpret_cast<int*>(d);
  k.exp_lmax = i;
  k.exp_lmin = i + e;
  k.exp_nshell = i + 2 * e;
  k.exp_shells = i + 3 * e;
  k.shell_l = k.exp_shells + e * s;
  k.shell_first = k.shell_l + s;
  k.l_count = k.shell_first + s + 1;
  k.l_offset = k.l_count + k.lmax + 1;
}

BasisLayout basis_layout(int n, int n_shells, std::int64_t kind_bytes) {
  BasisLayout l;
  l.kinds = kHeaderBytes;
  l.shells = l.kinds + kind_bytes;
  l.tables = l.shells + (std::int64_t{n_shells} + 1) * std::int64_t(sizeof(ShellSlot));
  l.extents = l.tables + round8(4 * (4 * (std::int64_t{n} + 1) + n_shells + 1));
  l.total = l.extents + 8 * std::int64_t{n};
  return l;
}

void basis_attach(Basis& b, void* image, BasisKind* views) {
  const int* head = static_cast<const int*>(image);
  b.total_size = head[0];
  b.n_atoms = head[1];
  b.n_shells = head[2];
  b.n_functions = head[3];
  b.general = head[4];
  b.lmax = head[5];
  b.max_atom_functions = head[6];
  char* base = static_cast<char*>(image);
  std::int64_t at = kHeaderBytes;
  for (int a = 0; a < b.n_atoms; ++a) {
    kind_attach(views[a], base + at);
    at += views[a].size_bytes;
  }
  b.kind = views;
  const BasisLayout l = basis_layout(b.n_atoms, b.n_shells, at - kHeaderBytes);
  b.shells = reinterpret_cast<ShellSlot*>(base + l.shells);
  int* t = reinterpret_cast<int*>(base + l.tables);
  const int n1 = b.n_atoms + 1;
  b.atom_first_function = t;
  b.atom_first_function_copy = t + n1;
  b.pair_offset = t + 2 * n1;
  b.atom_first_shell = t + 3 * n1;
  b.shell_first_function = t + 4 * n1;
  b.atom_extent2 = reinterpret_cast<double*>(base + l.extents);
}

Basis load_basis(int broadcast, const char* record, const Molecule& mol) {
  int bytes = 0;
  if (is_master) bytes = record_get(Record<int>{record});
  if (broadcast) mp_bcast(&bytes, 1, MP_INT);
  int n_atoms = mol.n_atoms;
  Basis b{};
  // The image, then one kind view per atom.
  b.block = pool_alloc(round8(bytes) + std::int64_t(sizeof(BasisKind)) * n_atoms);
  if (is_master) record_read(Record<char>{record}, static_cast<char*>(b.block), bytes, kBasisImageAt);
  if (broadcast) mp_bcast(b.block, bytes, MP_BYTE);
  BasisKind* views = reinterpret_cast<BasisKind*>(static_cast<char*>(b.block) + round8(bytes));
  if (static_cast<const int*>(b.block)[1] != n_atoms)
    fatal_error("\n basis '%s' does not belong to this molecule\n", record);
  basis_attach(b, b.block, views);
  for (int s = 0; s <= b.n_shells; ++s) {
    ShellSlot& sh = b.shells[s];
    sh.position = s < b.n_shells ? mol.xyz + 3 * sh.atom : nullptr;
  }
  return b;
}

void release_basis(Basis& b) {
  if (b.block) pool_release(b.block);
  b.block = nullptr;
}

double norm_integral(int n, double x) {
  static double t[22];
  if (t[0] == 0.0) {
    t[0] = 2.0 * std::pow(kPi, 1.5);
    t[1] = 2.0 * kPi;
    for (int k = 2; k < 22; ++k) t[k] = 0.5 * (k - 1) * t[k - 2];
  }
  return t[n] / std::pow(x, 0.5 * (n + 1));
}

double coulomb_self(int l, double a, double b) {
  const double p = a + b;
  double u = 1.0 / std::sqrt(p);
  for (int k = 1; k <= l; ++k) u *= (k - 0.5) / p;
  return kTwoPiToFiveHalves * u / (a * b);
}

std::int64_t build_kind(const ShellSlot* raw, int n_raw, int relativistic, int coulomb,
                        int element, void* record) {
  int total = 0, lmax = 0, nf = 0;
  for (int s = 0; s < n_raw; ++s) {
    total += raw[s].n_primitives;
    if (raw[s].l > lmax) lmax = raw[s].l;
    nf += 2 * raw[s].l + 1;
  }
  // Distinct exponents, ascending (selection of the smallest remaining).
  PoolArray<double> exps(total > 0 ? total : 1);
  int e = 0;
  for (int s = 0; s < n_raw; ++s)
    for (int k = 0; k < raw[s].n_primitives; ++k)
      if (exponent_row(exps.data(), e, raw[s].exponent[k]) < 0) exps[e++] = raw[s].exponent[k];
  for (int i = 0; i < e; ++i) {
    int m = i;
    for (int j = i + 1; j < e; ++j)
      if (exps[j] < exps[m]) m = j;
    std::swap(exps[i], exps[m]);
  }
  const int ns = n_raw;
  const std::int64_t size = kind_record_size(relativistic, lmax, e, ns, nf);
  if (size > (std::int64_t{1} << 30)) fatal_error("\n basis of element %d is too large\n", element);
  if (!record) return size;

  std::memset(record, 0, static_cast<std::size_t>(size));
  int* head = static_cast<int*>(record);
  head[0] = static_cast<int>(size);
  head[1] = relativistic;
  head[2] = lmax;
  head[3] = e;
  head[4] = ns;
  head[6] = nf;
  BasisKind k;
  kind_attach(k, record);
  std::memcpy(k.exponents, exps.data(), sizeof(double) * std::size_t(e));

  // Shells grouped by L, library order within one L.
  int s = 0, first = 0;
  for (int l = 0; l <= lmax; ++l) {
    k.l_offset[l] = s;
    for (int r = 0; r < n_raw; ++r) {
      if (raw[r].l != l) continue;
      k.shell_l[s] = l;
      k.shell_first[s] = first;
      first += 2 * l + 1;
      for (int p = 0; p < raw[r].n_primitives; ++p) {
        const int row = exponent_row(k.exponents, e, raw[r].exponent[p]);
        for (int set = 0; set < 4; ++set) k.coef[set][std::int64_t{row} * ns + s] += raw[r].coef[set][p];
      }
      ++s;
    }
    k.l_count[l] = s - k.l_offset[l];
  }
  k.l_offset[lmax + 1] = s;
  k.shell_first[ns] = first;

  int nonzero = 0;
  for (int r = 0; r < e; ++r) {
    int hi = -1, lo = MAX_BASIS_L + 1;
    for (int t = 0; t < ns; ++t) {
      if (k.coef[0][std::int64_t{r} * ns + t] == 0.0) continue;
      k.exp_shells[std::int64_t{r} * ns + k.exp_nshell[r]++] = t;
      if (k.shell_l[t] > hi) hi = k.shell_l[t];
      if (k.shell_l[t] < lo) lo = k.shell_l[t];
      ++nonzero;
    }
    k.exp_lmax[r] = hi < 0 ? 0 : hi;
    k.exp_lmin[r] = lo == hi ? lo : 0;
    k.extent2[r] = kExtentLog / k.exponents[r];
  }
  head[5] = nonzero;

  for (int t = 0; t < ns; ++t) {
    const int l = k.shell_l[t];
    double q = 0.0;
    for (int a = 0; a < e; ++a) {
      const double ca = k.coef[0][std::int64_t{a} * ns + t];
      if (ca == 0.0) continue;
      for (int b = 0; b < e; ++b) {
        const double cb = k.coef[0][std::int64_t{b} * ns + t];
        if (cb == 0.0) continue;
        const double m = coulomb ? coulomb_self(l, k.exponents[b], k.exponents[a])
                                 : norm_integral(2 * l + 2, k.exponents[a] + k.exponents[b]);
        q += ca * cb * m;
      }
    }
    if (!(q > 0.0) || !std::isfinite(q))
      fatal_error("\n element %d: shell %d cannot be normalised\n", element, t + 1);
    const double f = 1.0 / std::sqrt(q);
    for (int set = 0; set < 4; ++set)
      for (int a = 0; a < e; ++a) k.coef[set][std::int64_t{a} * ns + t] *= f;
  }
  return size;
}

}  // namespace ostrel
