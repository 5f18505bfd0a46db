#pragma once
#include <string>
#include <vector>

namespace ostrel {

// "C1", "C2", "H1", ...: element symbol and running count of the element, atom by atom.
std::vector<std::string> atom_labels(const int* z, int atoms);

}  // namespace ostrel
