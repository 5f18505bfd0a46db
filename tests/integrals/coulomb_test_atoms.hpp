#pragma once
// Atom sets built from Psi4's shell lists for the density-fitting tests, normalised in the
// overlap metric (as Psi4 does for fitting functions too).
#include <vector>

#include "coulomb_psi4_reference_data.hpp"
#include "integrals/one_electron_matrices.hpp"
#include "test_shells.hpp"

namespace ostrel::testing {

struct TestBasis {
  std::vector<TestAtom> atoms;
  std::vector<AtomFunctions> views;
  std::vector<int> first;
  std::vector<double> coordinates;

  TestBasis(const psi4_coulomb::RefShell* shells, int nshell, const double* coords, int natom)
      : coordinates(coords, coords + 3 * natom) {
    std::vector<std::vector<TestShell>> per(natom);
    for (int s = 0; s < nshell; ++s) {
      const auto& r = shells[s];
      per[r.atom].emplace_back(coordinates.data() + 3 * r.atom, r.l,
                               std::vector<double>(r.exponents, r.exponents + r.nprim),
                               std::vector<double>(r.coefficients, r.coefficients + r.nprim));
    }
    for (auto& p : per) atoms.emplace_back(std::move(p));
    rebuild();
  }
  TestBasis(const TestBasis& o) : atoms(o.atoms), coordinates(o.coordinates) { rebuild(); }
  // Views point at the shells' own centre copies; moving an atom moves every shell of it.
  void move_atom(int atom, int k, double delta) {
    for (auto& s : atoms[atom].shells) s.centre[k] += delta;
    coordinates[3 * atom + k] += delta;
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

inline TestBasis water_basis(const psi4_coulomb::RefShell* shells, int nshell) {
  return TestBasis(shells, nshell, psi4_coulomb::kCoordinates, 3);
}

}  // namespace ostrel::testing
