#pragma once
// One bonded term on up to four atoms: E as a function of a few internal coordinates, its
// cartesian derivatives assembled from the geometry kernel and added into the totals.
#include "geometry/coordinate_kernel.hpp"

namespace ostrel {

struct MmLocalTerm {
  static constexpr int kMax = 3;  // coordinates of one term
  int atoms[4];                   // term-local atom -> molecule atom
  int n_atoms;
  int count = 0;
  double value[kMax];
  double b[kMax][12];    // first derivatives in term-local cartesians
  double d2[kMax][78];   // packed second derivatives, term-local
  bool second;

  // Adds coordinate (type, local atoms) and returns its index.
  int add(const double* xyz, int type, int a, int b, int c = -1, int d = -1);
};

// Adds the term with first derivatives e1[q] and second derivatives e2[q][q'] of the energy
// with respect to its coordinates into gradient (3N) and, when the term was built with
// `second`, the packed hessian.
void mm_add_term(const MmLocalTerm& t, const double* e1, const double (*e2)[MmLocalTerm::kMax], double* gradient,
                 double* hessian);

}  // namespace ostrel
