#pragma once
// Contracted shells for the integral tests, normalised the way the basis reader does it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "integrals/one_electron_pair.hpp"
#include "integrals/shell.hpp"

namespace ostrel::testing {

// integral over space of r^(2l) exp(-x r^2)
inline double radial_norm_integral(int l, double x) {
  return 2.0 * M_PI * std::tgamma(l + 1.5) / std::pow(x, l + 1.5);
}

struct TestShell {
  double centre[3];
  int l;
  std::vector<double> exponents, coefficients;

  TestShell(const double* c, int l_, std::vector<double> e, std::vector<double> raw)
      : centre{c[0], c[1], c[2]}, l(l_), exponents(std::move(e)), coefficients(std::move(raw)) {
    const int n = static_cast<int>(exponents.size());
    for (int k = 0; k < n; ++k) coefficients[k] /= std::sqrt(radial_norm_integral(l, 2.0 * exponents[k]));
    double q = 0.0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        q += coefficients[i] * coefficients[j] * radial_norm_integral(l, exponents[i] + exponents[j]);
    for (double& c : coefficients) c /= std::sqrt(q);
  }
  TestShell(const TestShell& o)
      : centre{o.centre[0], o.centre[1], o.centre[2]},
        l(o.l),
        exponents(o.exponents),
        coefficients(o.coefficients) {}

  Shell view() const {
    return {centre, l, static_cast<int>(exponents.size()), exponents.data(), coefficients.data()};
  }
  int size() const { return 2 * l + 1; }
};

// One atom's shells gathered into the exponent-by-shell layout.
struct TestAtom {
  std::vector<TestShell> shells;
  std::vector<double> exponents, coefficients;
  std::vector<int> shell_l, shell_first;
  int nfunc = 0;

  explicit TestAtom(std::vector<TestShell> s) : shells(std::move(s)) {
    for (const auto& sh : shells)
      for (double e : sh.exponents)
        if (std::find(exponents.begin(), exponents.end(), e) == exponents.end()) exponents.push_back(e);
    std::sort(exponents.begin(), exponents.end());
    const int ns = static_cast<int>(shells.size());
    coefficients.assign(exponents.size() * ns, 0.0);
    for (int s = 0; s < ns; ++s) {
      for (size_t k = 0; k < shells[s].exponents.size(); ++k) {
        const int e = static_cast<int>(std::find(exponents.begin(), exponents.end(), shells[s].exponents[k]) -
                                       exponents.begin());
        coefficients[e * ns + s] = shells[s].coefficients[k];
      }
      shell_l.push_back(shells[s].l);
      shell_first.push_back(nfunc);
      nfunc += shells[s].size();
    }
  }
  AtomFunctions view() const {
    return {shells[0].centre,    static_cast<int>(exponents.size()),
            exponents.data(),    static_cast<int>(shells.size()),
            coefficients.data(), shell_l.data(),
            shell_first.data(),  nfunc};
  }
};

}  // namespace ostrel::testing
