#pragma once
#include <span>

namespace ostrel {

// Real solid harmonics r^L Y(theta, phi) with Y of mean square 1 over the sphere, so a
// primitive normalised on r^(2L) exp(-2 a r^2) is normalised as a harmonic function.
// Components of a shell: m = 0, +1, -1, +2, -2, ..., +L, -L (p: z, x, y); +m goes with
// cos(m phi), -m with sin(m phi), and the leading x^m (resp. x^(m-1) y) term is positive.
//
// Cartesian monomials x^a y^b z^c of one L are ordered a descending, then b descending
// (d: xx, xy, xz, yy, yz, zz).

inline constexpr int kSolidHarmonicMaxL = 21;

inline constexpr int cartesian_count(int l) { return (l + 1) * (l + 2) / 2; }
inline constexpr int cartesian_index(int l, int a, int /*b*/, int c) { return (l - a) * (l - a + 1) / 2 + c; }

struct CartesianPowers {
  int a, b, c;
};
// Powers of Cartesian monomial `index` of angular momentum l.
CartesianPowers cartesian_powers(int l, int index);

struct SolidHarmonicTerm {
  int cartesian;  // monomial index
  double coefficient;
};
// Non-zero Cartesian terms of spherical component s (0..2l) of angular momentum l.
std::span<const SolidHarmonicTerm> solid_harmonic_terms(int l, int s);

// sph[(2lb+1) x (2la+1)] = transform of cart[cartesian_count(lb) x cartesian_count(la)] on
// both sides (rows belong to the B shell, columns to the A shell).
void cartesian_to_spherical_pair(int lb, int la, const double* cart, double* sph);

}  // namespace ostrel
