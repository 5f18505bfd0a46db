#include "input/element_table.hpp"

#include <array>
#include <utility>
#include <vector>

#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::InputFile;
using Entry = std::array<int, kElementFields>;

class ElementTable : public testing::RuntimeTest {
 protected:
  void build(const std::string& text) {
    if (store_exists("Atoms")) store_free("Atoms");
    build_element_table("Atoms", InputFile(text).get());
  }
  Entry entry(int z) {
    Entry e;
    store_read("Atoms", 4 * kElementFields * z, e.data(), sizeof e);
    return e;
  }
};

TEST_F(ElementTable, BuiltInElectronsAddUpAndCoreNeverExceedsShells) {
  build("");
  EXPECT_EQ(store_size("Atoms"), 11872);
  for (int z = 0; z < kElementCount; ++z) {
    Entry e = entry(z);
    int electrons = 0;
    for (int l = 0; l < 8; ++l) {
      electrons += e[EL_ELECTRONS + l];
      EXPECT_LE(e[EL_CORE + l], e[EL_SHELLS + l]) << "Z=" << z << " l=" << l;
      // A filled shell of angular momentum l holds 2(2l+1) electrons.
      EXPECT_LE(e[EL_ELECTRONS + l], 2 * (2 * l + 1) * e[EL_SHELLS + l]) << "Z=" << z << " l=" << l;
    }
    EXPECT_EQ(electrons, z);
    EXPECT_EQ(e[3], 0);
  }
}

// Field `field` of element `z` after the group `input`: preset core modes (beyond 5 they
// leave the built-in cores alone; for Z 0-2 mode 1 sets only s), subscripts 10 Z + l, and
// the last element, which the subscript range still reaches.
TEST_F(ElementTable, GroupKeysChangeTheirEntries) {
  const struct {
    const char* input;
    int z;
    std::vector<std::pair<int, int>> fields;  // field, value
  } cases[] = {
      {"$atoms mcore=2 $end", 11, {{EL_CORE, 0}, {EL_CORE_ORBITALS, 0}}},
      {"$atoms mcore=-3 $end", 11, {{EL_CORE, 1}, {EL_CORE + 1, 0}, {EL_CORE_ORBITALS, 1}}},
      {"$atoms mcore=6 $end", 13, {{EL_CORE_ORBITALS, 5}}},
      {"$atoms core(61)=1 core(11)=1 active(11)=1 mcore=1 $end", 6, {{EL_CORE + 1, 0}}},
      {"$atoms core(61)=1 core(11)=1 active(11)=1 mcore=1 $end", 1, {{EL_CORE + 1, 1}}},
      {"$atoms mcore=5 $end", 26, {{EL_CORE_ORBITALS, 0}, {EL_LMAX_VALENCE, 2}}},
      {"$atoms mcore=5 $end", 92, {{EL_CORE, 1}, {EL_CORE + 1, 0}, {EL_CORE_ORBITALS, 1}}},
      {"$atoms occupation(60)=3 occupation(61)=3 $end", 6, {{EL_ELECTRONS, 3}, {EL_ELECTRONS + 1, 3}}},
      {"$atoms active(61)=3 $end", 6, {{EL_SHELLS + 1, 3}, {EL_ORBITALS, 2 + 9}}},
      // No shell all core.
      {"$atoms active(11)=1,1,1,1,1,1,1 $end", 1, {{EL_LMAX_VALENCE, 7}, {EL_ORBITALS, 64}}},
      {"$atoms active(1047)=1 active(1049)=2 $end", 104, {{EL_SHELLS + 7, 1}, {EL_ORBITALS, 7 + 18 + 20 + 14 + 15}}},
      {"$atoms active(1047)=1 active(1049)=2 $end", 105, {{EL_ORBITALS, 7 + 18 + 20 + 14}}},
  };
  for (const auto& c : cases) {
    build(c.input);
    for (const auto& [field, value] : c.fields)
      EXPECT_EQ(entry(c.z)[field], value) << c.input << " Z=" << c.z << " field " << field;
  }
  EXPECT_FATAL(build("$atoms active(1050)=2 $end"), "reading variable 'active'");
}

}  // namespace
}  // namespace ostrel
