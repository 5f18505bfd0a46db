#include "integrals/solid_harmonics.hpp"

#include <cmath>
#include <vector>

#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

double factorial(int n) {
  double f = 1.0;
  for (int k = 2; k <= n; ++k) f *= k;
  return f;
}

double binomial(int n, int k) {
  if (k < 0 || k > n) return 0.0;
  double r = 1.0;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

struct HarmonicTable {
  // terms of component s start at first[s]; first has 2l+2 entries
  std::vector<SolidHarmonicTerm> terms;
  std::vector<int> first;
};

// Real solid harmonics in the closed form of Helgaker, Jorgensen and Olsen (eq. 6.4.47),
// rescaled by sqrt(2l+1) to unit mean square.
HarmonicTable build_table(int l) {
  HarmonicTable table;
  table.first.push_back(0);
  std::vector<double> coef(cartesian_count(l));
  for (int s = 0; s <= 2 * l; ++s) {
    const int m = (s + 1) / 2;  // |m|
    const bool negative = s > 0 && s % 2 == 0;
    const int vm2 = negative ? 1 : 0;  // twice v_m
    std::fill(coef.begin(), coef.end(), 0.0);
    const double norm = std::sqrt(2.0 * factorial(l + m) * factorial(l - m) / (m == 0 ? 2.0 : 1.0)) /
                        (std::ldexp(1.0, m) * factorial(l)) * std::sqrt(2.0 * l + 1.0);
    for (int t = 0; t <= (l - m) / 2; ++t)
      for (int u = 0; u <= t; ++u)
        for (int v2 = vm2; v2 <= m; v2 += 2) {
          const int sign_exp = t + (v2 - vm2) / 2;
          const double c = ((sign_exp % 2) ? -1.0 : 1.0) * std::ldexp(1.0, -2 * t) * binomial(l, t) *
                           binomial(l - t, m + t) * binomial(t, u) * binomial(m, v2);
          const int a = 2 * t + m - 2 * u - v2;
          const int cz = l - 2 * t - m;
          coef[cartesian_index(l, a, 2 * u + v2, cz)] += norm * c;
        }
    for (int k = 0; k < cartesian_count(l); ++k)
      if (coef[k] != 0.0) table.terms.push_back({k, coef[k]});
    table.first.push_back(static_cast<int>(table.terms.size()));
  }
  return table;
}

const HarmonicTable& table_for(int l) {
  static std::vector<HarmonicTable> tables(kSolidHarmonicMaxL + 1);
  if (l < 0 || l > kSolidHarmonicMaxL)
    fatal_error("\n %d: angular momentum %d beyond the solid-harmonic tables\n", node_id, l);
  HarmonicTable& t = tables[l];
  if (t.first.empty()) t = build_table(l);
  return t;
}

}  // namespace

CartesianPowers cartesian_powers(int l, int index) {
  int n = 0;  // n = l - a
  while ((n + 1) * (n + 2) / 2 <= index) ++n;
  const int c = index - n * (n + 1) / 2;
  return {l - n, n - c, c};
}

std::span<const SolidHarmonicTerm> solid_harmonic_terms(int l, int s) {
  const HarmonicTable& t = table_for(l);
  return {t.terms.data() + t.first[s], static_cast<std::size_t>(t.first[s + 1] - t.first[s])};
}

void cartesian_to_spherical_pair(int lb, int la, const double* cart, double* sph) {
  const int nca = cartesian_count(la);
  const int nsa = 2 * la + 1;
  const int nsb = 2 * lb + 1;
  // Columns first into a small buffer: half-transformed rows of B's Cartesians.
  double half[cartesian_count(kSolidHarmonicMaxL) * (2 * kSolidHarmonicMaxL + 1)];
  const int ncb = cartesian_count(lb);
  for (int ib = 0; ib < ncb; ++ib)
    for (int sa = 0; sa < nsa; ++sa) {
      double v = 0.0;
      for (const auto& term : solid_harmonic_terms(la, sa))
        v += term.coefficient * cart[ib * nca + term.cartesian];
      half[ib * nsa + sa] = v;
    }
  for (int sb = 0; sb < nsb; ++sb)
    for (int sa = 0; sa < nsa; ++sa) {
      double v = 0.0;
      for (const auto& term : solid_harmonic_terms(lb, sb))
        v += term.coefficient * half[term.cartesian * nsa + sa];
      sph[sb * nsa + sa] = v;
    }
}

}  // namespace ostrel
