#pragma once
#include "scf/xc/xc_jet.hpp"

namespace ostrel::xc {

// Exchange energy density of one spin for the kind `code` (1-7; others give 0) from the
// regularised spin density rho and sigma = |grad rho|^2, with the record's parameters p.
template <int K>
Jet<2, K> exchange_spin(int code, const double* p, const Jet<2, K>& rho, const Jet<2, K>& sigma);

// x asinh(x) as a function of t = x^2: smooth at t = 0, where the form in x is not.
template <int N, int K>
Jet<N, K> x_asinh_x(const Jet<N, K>& t);

}  // namespace ostrel::xc
