#include "model/sto_kg.hpp"

namespace ostrel {

const double* sto_kg_row(int k, int n, int l) {
  if (n < 1 || n > 7 || l < 0 || l >= n) return nullptr;
  const int row = n * (n - 1) / 2 + l;
  switch (k) {
    case 2: return sto_kg_2[row];
    case 3: return sto_kg_3[row];
    case 4: return sto_kg_4[row];
    default: return nullptr;
  }
}

}  // namespace ostrel
