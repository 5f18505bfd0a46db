#pragma once
#include <cstdio>

namespace ostrel {

// Semi-empirical starting data: the orbital order of group "order" into "guess_na"
// (0-based, 16 slots per atom) and the orbitals of group "ce" into "guess_nc",
// "guess_Ca" and "guess_ea". Master only.
void read_nddo_guess_groups(std::FILE* input = stdin);

}  // namespace ostrel
