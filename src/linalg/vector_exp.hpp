#pragma once
// e^x for the Gaussian factors of the grid construction, written so that loops over points
// vectorise: the library exp is a call the compiler cannot vectorise. Within 1.5 ulp of the
// library value for -708 <= x <= 0.
#include <cstdint>
#include <cstring>

namespace ostrel {

// e^x for x <= 0; exactly 0 below -708 (where e^x < 3e-308).
inline double exp_nonpositive(double x) {
  constexpr double kLog2e = 1.4426950408889634;
  constexpr double kLn2Hi = 0.6931471803691238;   // ln 2 to 32 bits: k ln2_hi is exact
  constexpr double kLn2Lo = 1.9082149292705877e-10;
  constexpr double kShifter = 6755399441055744.0;  // 1.5 x 2^52: adding it rounds to an integer
  const double xc = x < -708.0 ? -708.0 : x;
  const double k = (xc * kLog2e + kShifter) - kShifter;
  const double r = (xc - k * kLn2Hi) - k * kLn2Lo;  // |r| <= ln2 / 2
  // Taylor series through r^12: the remainder is below 2e-16 relative.
  double p = 1.0 / 479001600.0;
  p = p * r + 1.0 / 39916800.0;
  p = p * r + 1.0 / 3628800.0;
  p = p * r + 1.0 / 362880.0;
  p = p * r + 1.0 / 40320.0;
  p = p * r + 1.0 / 5040.0;
  p = p * r + 1.0 / 720.0;
  p = p * r + 1.0 / 120.0;
  p = p * r + 1.0 / 24.0;
  p = p * r + 1.0 / 6.0;
  p = p * r + 0.5;
  p = p * r + 1.0;
  p = p * r + 1.0;
  const std::uint64_t bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(k) + 1023) << 52;
  double scale;
  std::memcpy(&scale, &bits, sizeof scale);
  return x < -708.0 ? 0.0 : p * scale;
}

// y[i] = e^(x[i]) for n arguments, each <= 0; y may be x.
inline void exp_nonpositive(int n, const double* x, double* y) {
  for (int i = 0; i < n; ++i) y[i] = exp_nonpositive(x[i]);
}

}  // namespace ostrel
