#pragma once
#include "model/internal_coordinate.hpp"

namespace ostrel {

// Atomic numbers and coordinates (bohr) in angstrom; with `distances` set and at least two
// atoms also the formula and the bonded internuclear distances. Master only.
void print_coordinates(const int* atomic_numbers, const double* xyz, int atoms, int distances);

// One column of the internal-coordinate table: a value per coordinate; with `atomic_units`
// set, stretches are converted to angstrom and the other types to degrees.
struct CoordinateColumn {
  const char* title;
  const double* values;
  int atomic_units;
};

void print_internal_coordinates(int count, const InternalCoordinate* coordinates, int columns,
                                const CoordinateColumn* column);

}  // namespace ostrel
