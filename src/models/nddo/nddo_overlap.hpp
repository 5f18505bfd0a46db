#pragma once
// Overlaps of the valence Slater orbitals of two atoms in their diatomic frame (B on +z).

namespace ostrel {

struct NddoLocalOverlap {
  double sigma[2][2];   // [l of A][l of B]: s-s, s-p sigma, p sigma-s, p sigma-p sigma
  double pi;            // p pi - p pi
  double dsigma[2][2];  // derivatives with respect to the distance
  double dpi;
};

// na, nb principal quantum numbers; exponents of s and p; la, lb highest l (0 or 1); r bohr.
NddoLocalOverlap nddo_local_overlap(int na, double za_s, double za_p, int la, int nb, double zb_s,
                                    double zb_p, int lb, double r);

}  // namespace ostrel
