#pragma once
#include <array>

#include "scf/xc/xc_jet.hpp"

namespace ostrel::xc {

// The reduced variables of a point: regularised rho_a, rho_b and sigma_aa, sigma_ab, sigma_bb,
// as jets in N variables: their own five, or two (rho, sigma) for a closed shell whose spins
// move together.
template <int N, int K>
using Reduced = std::array<Jet<N, K>, 5>;

// Correlation energy density of the kind `code` (0-9) with the record's parameters p.
template <int N, int K>
Jet<N, K> correlation(int code, const double* p, const Reduced<N, K>& y);

}  // namespace ostrel::xc
