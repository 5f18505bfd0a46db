#pragma once
// Overlaps of the valence Slater orbitals of two atoms in their diatomic frame (B on +z).

namespace ostrel {

// T is double or Dual3 (the distance then carries its derivatives).
template <class T>
struct NddoLocalOverlap {
  T sigma[2][2];  // [l of A][l of B]: s-s, s-p sigma, p sigma-s, p sigma-p sigma
  T pi;           // p pi - p pi
};

// na, nb principal quantum numbers; exponents of s and p; la, lb highest l (0 or 1); r bohr.
template <class T>
NddoLocalOverlap<T> nddo_local_overlap(int na, double za_s, double za_p, int la, int nb, double zb_s,
                                       double zb_p, int lb, const T& r);

}  // namespace ostrel
