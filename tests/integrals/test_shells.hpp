#pragma once
// Shells, atoms and whole basis sets for the integral tests, normalised the way the basis
// reader does it, built from the reference shell lists; and the water of the RI-J reference
// set read with def2-SVP and its Coulomb-fitting set as the program would read it.
#include <algorithm>

#include "integrals/one_electron_matrices.hpp"
#include "support/model_input.hpp"

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
  Shell view() const {
    return {centre, l, static_cast<int>(exponents.size()), exponents.data(), coefficients.data()};
  }
  int size() const { return 2 * l + 1; }
};

// Shells of a reference list (records with atom, l, nprim, exponents, coefficients).
template <class Record>
std::vector<TestShell> shells_from(const Record* records, int count, const double* xyz) {
  std::vector<TestShell> out;
  for (int s = 0; s < count; ++s) {
    const Record& r = records[s];
    out.emplace_back(xyz + 3 * r.atom, r.l, std::vector<double>(r.exponents, r.exponents + r.nprim),
                     std::vector<double>(r.coefficients, r.coefficients + r.nprim));
  }
  return out;
}

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
        const auto at = std::find(exponents.begin(), exponents.end(), shells[s].exponents[k]);
        coefficients[(at - exponents.begin()) * ns + s] = shells[s].coefficients[k];
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

// A whole basis set as atom views; the views point at the shells' own centre copies, so
// moving an atom moves every shell of it.
struct TestBasis {
  std::vector<TestAtom> atoms;
  std::vector<AtomFunctions> views;
  std::vector<int> first;

  template <class Record>
  TestBasis(const Record* records, int count, const double* xyz, int natom) {
    std::vector<std::vector<TestShell>> per(natom);
    const std::vector<TestShell> all = shells_from(records, count, xyz);
    for (int s = 0; s < count; ++s) per[records[s].atom].push_back(all[s]);
    for (auto& p : per) atoms.emplace_back(std::move(p));
    rebuild();
  }
  TestBasis(const TestBasis& o) : atoms(o.atoms) { rebuild(); }
  void move_atom(int atom, int k, double delta) {
    for (auto& s : atoms[atom].shells) s.centre[k] += delta;
  }
  void rebuild() {
    views.clear();
    first.assign(1, 0);
    for (auto& a : atoms) {
      views.push_back(a.view());
      first.push_back(first.back() + a.nfunc);
    }
  }
  AtomSet set() const { return {static_cast<int>(views.size()), views.data(), first.data()}; }
  int nfunc() const { return first.back(); }
};

// x = A^-1 b for a packed positive definite A (Cholesky; independent of the program's solver).
inline std::vector<double> solve_packed(const std::vector<double>& a, std::vector<double> b) {
  const int n = static_cast<int>(b.size());
  std::vector<double> l(n * n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double s = a[i * (i + 1) / 2 + j];
      for (int k = 0; k < j; ++k) s -= l[i * n + k] * l[j * n + k];
      l[i * n + j] = i == j ? std::sqrt(s) : s / l[j * n + j];
    }
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < i; ++k) b[i] -= l[i * n + k] * b[k];
    b[i] /= l[i * n + i];
  }
  for (int i = n - 1; i >= 0; --i) {
    for (int k = i + 1; k < n; ++k) b[i] -= l[k * n + i] * b[k];
    b[i] /= l[i * n + i];
  }
  return b;
}

// Water of the RI-J reference set (bohr) with def2-SVP and its universal Coulomb-fitting set
// from the basis library, as "Molecule", "Basis" and "Basis2".
inline void read_water_with_fit_sets() {
  read_test_model("$molecule units=b cartesian\n 8 0 0 0\n 1 0 1.4304281906653031 -1.1071565218354833\n"
                  " 1 0 -1.4304281906653031 -1.1071565218354833\n$end\n");
}

}  // namespace ostrel::testing
