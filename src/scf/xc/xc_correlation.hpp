#pragma once
#include <array>

#include "scf/xc/xc_jet.hpp"

namespace ostrel::xc {

// The reduced variables of a point: regularised rho_a, rho_b and sigma_aa, sigma_ab, sigma_bb.
template <int K>
using Reduced = std::array<Jet<5, K>, 5>;

// Correlation energy density of the kind `code` (0-9) with the record's parameters p.
template <int K>
Jet<5, K> correlation(int code, const double* p, const Reduced<K>& y);

}  // namespace ostrel::xc
