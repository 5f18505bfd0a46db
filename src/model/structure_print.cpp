#include "model/structure_print.hpp"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "model/elements.hpp"
#include "model/molecule_record.hpp"
#include "model/units.hpp"

namespace ostrel {
namespace {

void print_formula(const int* z, int atoms) {
  std::printf("  formula: ");
  for (int e = 0; e <= MAX_ELEMENT; ++e) {
    int count = 0;
    for (int a = 0; a < atoms; ++a) count += z[a] == e;
    if (count == 0) continue;
    std::printf("%s", element_symbol(e));
    if (count > 1) std::printf("%d", count);
  }
  std::printf("\n");
}

void print_distances(const int* z, const double* xyz, int atoms) {
  const auto labels = atom_labels(z, atoms);
  std::printf("  internuclear distances:");
  double largest = 0.0;
  for (int a = 0; a < atoms; ++a) {
    std::printf("\n  %-5s |", labels[a].c_str());
    const double ra = element_radius(z[a]);
    int listed = 0;
    for (int b = 0; b < atoms; ++b) {
      if (b == a) continue;
      const double d = atom_distance(xyz, a, b);
      if (b > a && d > largest) largest = d;
      const double rb = element_radius(z[b]);
      // Atoms without a radius (dummies) bond to nothing.
      const double limit = ra + rb > 0.0 ? 2.0 * ra * rb / (ra + rb) + ra + rb : 0.0;
      if (!(d < limit)) continue;
      const char* separator = (listed > 0 && listed % 4 == 0) ? "\n        |  " : "  ";
      std::printf("%s%-5s: %7.5lf", separator, labels[b].c_str(), d * kAngstromPerBohr);
      ++listed;
    }
  }
  std::printf("\n     largest = %10.5lf\n", largest * kAngstromPerBohr);
}

const char* type_name(int type) {
  switch (type) {
    case 1: return "stretch";
    case 2: return "bend";
    case 3: return "torsion";
    case 4: return "bend-1";
    case 5: return "bend-2";
    default: return "?";
  }
}

}  // namespace

void print_coordinates(const int* atomic_numbers, const double* xyz, int atoms, int distances) {
  std::printf("\n Atomic Coordinates:\n");
  for (int a = 0; a < atoms; ++a)
    std::printf("  %2d   %12.8lf %12.8lf %12.8lf\n", atomic_numbers[a], xyz[3 * a] * kAngstromPerBohr,
                xyz[3 * a + 1] * kAngstromPerBohr, xyz[3 * a + 2] * kAngstromPerBohr);
  std::printf(" #\n");
  if (distances && atoms >= 2) {
    print_formula(atomic_numbers, atoms);
    print_distances(atomic_numbers, xyz, atoms);
  }
  std::printf("\n");
  std::fflush(stdout);
}

void print_internal_coordinates(int count, const InternalCoordinate* coordinates, int columns,
                                const CoordinateColumn* column) {
  std::string rule = "\n ------------------------------";
  for (int c = 0; c < columns; ++c) rule += "------------";
  std::printf("\n INTERNAL COORDINATES%s", rule.c_str());
  std::printf("\n  No.  Type      i   j   k   l ");
  for (int c = 0; c < columns; ++c) std::printf("%12s", column[c].title);
  std::printf("%s", rule.c_str());
  for (int n = 0; n < count; ++n) {
    const InternalCoordinate& q = coordinates[n];
    std::printf("\n %4d %-7s %4d%4d%4d%4d ", n + 1, type_name(q.type), q.i + 1, q.j + 1, q.k + 1,
                q.l + 1);
    for (int c = 0; c < columns; ++c) {
      double factor = 1.0;
      if (column[c].atomic_units) factor = q.type == 1 ? kAngstromPerBohr : kDegreesPerRadian;
      std::printf("%12.6lf", column[c].values[n] * factor);
    }
  }
  std::printf("%s\n", rule.c_str());
  std::fflush(stdout);
}

}  // namespace ostrel
