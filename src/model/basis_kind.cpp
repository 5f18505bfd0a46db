#include "model/basis_kind.hpp"

#include <cmath>
#include <cstring>

#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

constexpr double kExtentLog = 32.236191301916641;  // ln(1/1e-14)

int exponent_row(const double* exps, int e, double a) {
  for (int k = 0; k < e; ++k)
    if (exps[k] == a) return k;
  return -1;
}

}  // namespace

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
