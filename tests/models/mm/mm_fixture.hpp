#pragma once
// Shared force-field test data: a parameter group whose terms all act on cyclobutanol (a
// ring, a torsion in both tables, charges from increments written in both directions), and
// helpers that read groups and hold structures.
#include <cstring>
#include <vector>

#include "model/molecule_record.hpp"
#include "models/mm/mm_parameter_reader.hpp"
#include "models/mm/mm_terms.hpp"
#include "runtime/pool.hpp"
#include "support/capture.hpp"
#include "support/input_file.hpp"

namespace ostrel::testing {

// Atomic units. "O C" lists the bond against the type order, so its increment is stored
// negated; "C C H" lists an angle against it, so its stretch-bend constants are exchanged.
inline constexpr const char* kMmTestGroup = R"($mmdata   # cyclobutanol set
type  H C O HO
atom
 H  0 0 -0.5  0.02 0.8 2.0 0.0
 C  0 0 -37.8 0.0  1.8 1.9 0.0
 O  0 0 -75.0 -0.1 1.6 2.0 0.0  # comment after numbers
 HO 0 0 -0.5  0.0  0.7 2.1 0.0
bond
 C H 0 0 2.06 0.70 0.05
 C C 0 0 2.90 0.60 0.0
 O C 0 0 2.69 0.50 0.25
 O HO 0 0 1.81 0.95 0.40
angle
 H C H 0 0 1.91 0.10 0.01 0.02 0.03
 C C H 0 0 1.91 0.12 0.015 0.025 0.035
 C C C 0 0 1.60 0.15 0.02 0.01 0.01
 C C O 0 0 1.91 0.13 0.01 0.02 0.04
 O C H 0 0 1.91 0.11 0.01 0.03 0.02
 C O HO 0 0 1.89 0.09 0.02 0.05 0.01
torsion1
 C C C C 2 0 0.3 0.004 0
 H C C H 3 0 0.0 0.001 0
 H C C C 3 0 0.1 0.0015 0
 O C C H 3 0 0.2 0.002 0
 O C C C 3 0 0.0 0.001 0
 H C O HO 3 0 0.0 0.0012 0
 C C O HO 1 0 0.5 0.002 0
torsion2
 C C C C 4 0 0.1 0.002 0
 C C O HO 2 1 -0.3 0.003 0.5
pair
 C H 1 2 0.1 0.2 0.3
$end
)";

// A structure with its own arrays.
struct MmTestMolecule {
  std::vector<double> xyz;  // bohr
  std::vector<char> types;
  std::vector<int> bonds;
  int n = 0;

  MmStructure view() const { return {n, xyz.data(), types.data(), bonds.data()}; }
  void add(const char* type, double x, double y, double z) {
    for (double v : {x, y, z}) xyz.push_back(v * 1.8897259885789233);
    types.resize(NAME_SLOT * (n + 1), '\0');
    std::strncpy(types.data() + NAME_SLOT * n, type, NAME_SLOT - 1);
    bonds.resize(MAX_NEIGHBOURS * (n + 1), -1);
    ++n;
  }
  // Bonds listed on the first atom only: the force field completes the other side.
  void bond(int a, int b) {
    int* list = bonds.data() + MAX_NEIGHBOURS * a;
    while (*list >= 0) ++list;
    *list = b;
  }
};

// Cyclobutanol (RDKit ETKDG seed 7, MMFF94-relaxed; angstrom), bent off its minimum a little
// so that every term has a slope.
inline MmTestMolecule cyclobutanol() {
  MmTestMolecule m;
  const struct { const char* type; double x, y, z; } atoms[] = {
      {"O", 1.4776, 1.4782, -0.2609},   {"C", 0.5080, 0.6137, 0.3536},    {"C", -0.9155, 0.6590, -0.2497},
      {"C", -0.9863, -0.8644, -0.0334}, {"C", 0.5534, -0.8731, -0.0715},  {"HO", 2.3296, 1.2146, 0.1264},
      {"H", 0.5089, 0.7454, 1.4433},    {"H", -1.6489, 1.2447, 0.3106},   {"H", -0.9459, 0.9620, -1.3026},
      {"H", -1.4043, -1.1522, 0.9381},  {"H", -1.4854, -1.4345, -0.8207}, {"H", 0.9743, -1.0403, -1.0696},
      {"H", 1.0343, -1.5533, 0.6363}};
  int k = 0;
  for (const auto& a : atoms) {
    const double shift = 0.03 * ((k * 7) % 5 - 2);
    m.add(a.type, a.x + shift, a.y - 0.5 * shift, a.z + 0.3 * shift);
    ++k;
  }
  const int pairs[][2] = {{0, 1}, {0, 5}, {1, 2}, {1, 4}, {1, 6}, {2, 3}, {2, 7},
                          {2, 8}, {3, 4}, {3, 9}, {3, 10}, {4, 11}, {4, 12}};
  for (const auto& b : pairs) m.bond(b[0], b[1]);
  return m;
}

// Parameters parsed from `text` into a pool block (quietly).
class MmParameterBlock {
 public:
  explicit MmParameterBlock(const std::string& text) : block_(1) {
    parse_mm_parameters(InputFile(text).get(), "mmdata", block_[0]);
  }
  const MmParameters& operator*() const { return block_[0]; }

 private:
  PoolArray<MmParameters> block_;
};

}  // namespace ostrel::testing
