// Z-matrix distances that no triangle has stop the input at the atom; a triangle flat only
// up to rounding is still placed.
#include <gtest/gtest.h>

#include <string>

#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "model/zmatrix_placement.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

constexpr double kBohr = 1.8897259885789233;

class ZmatrixTriangle : public testing::RuntimeTest {
 protected:
  void read(const std::string& text) {
    testing::with_stdin(text, [] { read_molecule("Molecule", "", "molecule", 1, 0); });
  }
};

TEST_F(ZmatrixTriangle, DistancesWithoutATriangleStopAtTheirAtom) {
  // Atom 3: 1.0 from atom 1 and 5.0 from atom 2, which is 1.0 from atom 1.
  EXPECT_FATAL(read("$molecule z\n 8\n 1 1 1.0\n 1 1 1.0 -2 5.0\n$end"),
               "\n z-matrix atom 3: these distances form no triangle\n");
  // The same triangle as the first of a fourth atom's two.
  EXPECT_FATAL(read("$molecule z\n 8\n 1 1 1.0\n 1 1 1.0 2 90.0\n 1 1 1.0 -2 5.0 -3 1.0\n$end"),
               "\n z-matrix atom 4: these values place no atom\n");
}

TEST_F(ZmatrixTriangle, AFlatTriangleWithinRoundingIsPlacedOnTheLine) {
  // 0.1 + 0.3 = 0.4 only up to rounding: the cosine lands a few ulps below -1.
  read("$molecule z\n 8\n 1 1 0.1\n 1 1 0.3 -2 0.4\n$end");
  Molecule m = load_molecule(0, "Molecule");
  EXPECT_NEAR(zm_distance(m.xyz + 3, m.xyz + 6), 0.4 * kBohr, 1e-9);
  release_molecule(m);
}

}  // namespace
}  // namespace ostrel
