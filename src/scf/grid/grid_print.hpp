#pragma once

namespace ostrel {

struct Grid;

// The final-grid order of every shell, atom by atom (z: atomic numbers).
void grid_print(const Grid& grid, const int* z);

}  // namespace ostrel
