#include "model/atom_labels.hpp"

#include <cstdio>

#include "model/elements.hpp"

namespace ostrel {

std::vector<std::string> atom_labels(const int* z, int atoms) {
  std::vector<std::string> labels;
  std::vector<int> seen(MAX_ELEMENT + 2, 0);
  for (int a = 0; a < atoms; ++a) {
    const int slot = (z[a] >= 0 && z[a] <= MAX_ELEMENT) ? z[a] : MAX_ELEMENT + 1;
    char text[32];
    std::snprintf(text, sizeof text, "%s%d", element_symbol(z[a]), ++seen[slot]);
    labels.emplace_back(text);
  }
  return labels;
}

}  // namespace ostrel
