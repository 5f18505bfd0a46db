#pragma once

namespace ostrel {

struct ElectronCount {
  int alpha;
  int beta;
  bool legal;
};

// Alpha and beta electrons of `electrons` electrons in spin multiplicity `multiplicity`.
// Illegal: parity mismatch, a multiplicity below 1 or more unpaired electrons than there
// are electrons, and negative electron numbers.
inline ElectronCount electron_count(long long electrons, int multiplicity) {
  ElectronCount e{0, 0, false};
  if (multiplicity < 1 || electrons < 0 || electrons > 2000000000LL) return e;
  long long beta = (electrons - multiplicity + 1) / 2;
  long long alpha = multiplicity + beta - 1;
  if (electrons - alpha - beta != 0 || beta < 0) return e;
  e.alpha = static_cast<int>(alpha);
  e.beta = static_cast<int>(beta);
  e.legal = true;
  return e;
}

}  // namespace ostrel
