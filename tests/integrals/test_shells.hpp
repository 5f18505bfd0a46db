#pragma once
// Contracted shells for the integral tests, normalised the way the basis reader does it.
#include <cmath>
#include <vector>

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
      : centre{o.centre[0], o.centre[1], o.centre[2]}, l(o.l), exponents(o.exponents),
        coefficients(o.coefficients) {}

  Shell view() const {
    return {centre, l, static_cast<int>(exponents.size()), exponents.data(), coefficients.data()};
  }
  int size() const { return 2 * l + 1; }
};

}  // namespace ostrel::testing
