#pragma once
// The shared test molecules: one closed-shell water, one radical. Atom lines are
// "Z x y z" in angstrom, ready for a "cartesian" molecule group; peer reference data in bohr
// become a group through bohr_molecule.
#include <cstdio>
#include <string>
#include <vector>

namespace ostrel::testing {

// Water near its experimental structure.
inline constexpr const char* kWaterAtoms =
    " 8 0 0 0.1173\n 1 0 0.7572 -0.4692\n 1 0 -0.7572 -0.4692\n";

// Water of the shared peer reference set (PBE/def2-SVP, RI-J), coordinates exactly as there.
inline constexpr const char* kWaterReferenceAtoms =
    " 8 0.000000 0.000000 0.000000\n 1 0.000000 0.756950 -0.585882\n"
    " 1 0.000000 -0.756950 -0.585882\n";

// Hydroxyl radical (doublet) of the same reference set.
inline constexpr const char* kHydroxylAtoms = " 8 0 0 0\n 1 0 0 0.9697\n";

// "$molecule" group around atom lines.
inline std::string molecule_group(const char* atoms, int charge = 0, int multiplicity = 1) {
  std::string head = "$molecule";
  if (charge != 0) head += " charge=" + std::to_string(charge);
  if (multiplicity != 1) head += " multiplicity=" + std::to_string(multiplicity);
  return head + "\n cartesian\n" + atoms + "$end\n";
}

// A "$molecule" group in bohr of atomic numbers `z` at `xyz`.
inline std::string bohr_molecule(const std::vector<int>& z, const double* xyz, int multiplicity = 1) {
  std::string text = "$molecule units=b multiplicity=" + std::to_string(multiplicity) + " cartesian\n";
  char line[128];
  for (std::size_t a = 0; a < z.size(); ++a) {
    std::snprintf(line, sizeof line, " %d %.17g %.17g %.17g\n", z[a], xyz[3 * a], xyz[3 * a + 1], xyz[3 * a + 2]);
    text += line;
  }
  return text + "$end\n";
}

}  // namespace ostrel::testing
