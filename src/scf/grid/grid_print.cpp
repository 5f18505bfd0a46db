#include "scf/grid/grid_print.hpp"

#include <cstdio>

#include "scf/grid/grid_record.hpp"

namespace ostrel {

void grid_print(const Grid& grid, const int* z) {
  int shell = 0;
  for (int a = 0; a < grid.n_atoms; ++a) {
    std::printf("\ngrid> center %2d, atom %2d:\n", a + 1, z[a]);
    for (int s = 0; s < grid.nrad[a]; ++s, ++shell)
      std::printf("grid> %3d: %4d\n", s + 1, grid.orders[2 * shell + GRID_FINAL]);
  }
  std::printf("\n");
}

}  // namespace ostrel
