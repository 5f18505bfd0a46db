#pragma once

namespace ostrel {

inline constexpr int ECP_MAX_TERMS = 8;
inline constexpr int ECP_MAX_CHANNELS = 4;

// Semilocal core potential of one atom as stored under "ECP" (one block per atom). Each term
// is c r^n exp(-a r^2); the local channel has L = lmax, the semilocal channels L = 0..lmax-1.
struct EcpBlock {
  int n_core;   // core electrons replaced (0: no potential)
  int lmax;
  int n_local;
  int n_semilocal[ECP_MAX_CHANNELS];
  int local_power[ECP_MAX_TERMS];
  int semilocal_power[ECP_MAX_CHANNELS * ECP_MAX_TERMS];  // channel L, term i at L*8 + i
  int reserved;                                          // keeps the reals aligned
  double local_coef[ECP_MAX_TERMS];
  double semilocal_coef[ECP_MAX_CHANNELS * ECP_MAX_TERMS];
  double local_exponent[ECP_MAX_TERMS];
  double semilocal_exponent[ECP_MAX_CHANNELS * ECP_MAX_TERMS];
};
static_assert(sizeof(EcpBlock) == 192 + 80 * 8, "ECP block layout");

// Reads the core potentials of the atoms of "Molecule" from the "ecp" group of `library`
// (empty: the input file) into "ECP" and "Necp", reducing the nuclear charges.
void read_core_potentials(const char* library);

}  // namespace ostrel
