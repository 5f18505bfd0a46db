#include "input/element_table.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"
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
    InputFile input(text);
    build_element_table("Atoms", input.get());
  }
  Entry entry(int z) {
    Entry e;
    store_read("Atoms", 4 * kElementFields * z, e.data(), sizeof e);
    return e;
  }
};

TEST_F(ElementTable, CarbonAndIronFromTheBuiltInTable) {
  build("");
  EXPECT_EQ(store_size("Atoms"), 11872);
  Entry c = entry(6), fe = entry(26), ghost = entry(0);
  EXPECT_EQ(c[EL_ORBITALS], 5);
  EXPECT_EQ(c[EL_CORE_ORBITALS], 1);
  EXPECT_EQ(c[EL_LMAX_VALENCE], 1);
  EXPECT_EQ(fe[EL_ORBITALS], 18);
  EXPECT_EQ(fe[EL_CORE_ORBITALS], 5);
  EXPECT_EQ(fe[EL_ELECTRONS + 2], 6);
  EXPECT_EQ(ghost[EL_ORBITALS], 0);
  EXPECT_EQ(ghost[EL_LMAX_VALENCE], -1);
}

TEST_F(ElementTable, BuiltInElectronsAddUpAndCoreNeverExceedsShells) {
  build("");
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

TEST_F(ElementTable, PresetCoreSizesForSodium) {
  build("$atoms mcore=2 $end");
  EXPECT_EQ(entry(11)[EL_CORE], 0);
  EXPECT_EQ(entry(11)[EL_CORE_ORBITALS], 0);
  build("$atoms mcore=-3 $end");
  EXPECT_EQ(entry(11)[EL_CORE], 1);
  EXPECT_EQ(entry(11)[EL_CORE + 1], 0);
  EXPECT_EQ(entry(11)[EL_CORE_ORBITALS], 1);
  // Modes beyond 5 leave the built-in cores alone.
  build("$atoms mcore=6 $end");
  EXPECT_EQ(entry(13)[EL_CORE_ORBITALS], 5);
}

TEST_F(ElementTable, PresetModesKeepUnlistedAngularMomenta) {
  // Carbon's p core is set by hand; mode 1 sets s and p, mode 1 for Z 0-2 sets only s.
  build("$atoms core(61)=1 core(11)=1 active(11)=1 mcore=1 $end");
  EXPECT_EQ(entry(6)[EL_CORE + 1], 0);
  EXPECT_EQ(entry(1)[EL_CORE + 1], 1);
  build("$atoms mcore=5 $end");
  Entry fe = entry(26);
  EXPECT_EQ(fe[EL_CORE_ORBITALS], 0);
  EXPECT_EQ(fe[EL_LMAX_VALENCE], 2);
  Entry u = entry(92);
  EXPECT_EQ(u[EL_CORE], 1);
  EXPECT_EQ(u[EL_CORE + 1], 0);
  EXPECT_EQ(u[EL_CORE_ORBITALS], 1);
}

TEST_F(ElementTable, SubscriptsAddressTenTimesZPlusL) {
  build("$atoms occupation(60)=3 occupation(61)=3 $end");
  EXPECT_EQ(entry(6)[EL_ELECTRONS], 3);
  EXPECT_EQ(entry(6)[EL_ELECTRONS + 1], 3);
  build("$atoms active(61)=3 $end");
  EXPECT_EQ(entry(6)[EL_SHELLS + 1], 3);
  EXPECT_EQ(entry(6)[EL_ORBITALS], 2 + 9);
}

TEST_F(ElementTable, HighestValenceMomentumIsSevenWhenNoShellIsAllCore) {
  build("$atoms active(11)=1,1,1,1,1,1,1 $end");
  Entry h = entry(1);
  EXPECT_EQ(h[EL_LMAX_VALENCE], 7);
  EXPECT_EQ(h[EL_ORBITALS], 64);
}

TEST_F(ElementTable, LastElementCannotBeChanged) {
  build("$atoms active(1047)=1 active(1049)=2 $end");
  EXPECT_EQ(entry(104)[EL_SHELLS + 7], 1);
  EXPECT_EQ(entry(104)[EL_ORBITALS], 7 + 18 + 20 + 14 + 15);
  EXPECT_EQ(entry(105)[EL_ORBITALS], 7 + 18 + 20 + 14);
  EXPECT_FATAL(build("$atoms active(1050)=2 $end"), "reading variable 'active'");
}

}  // namespace
}  // namespace ostrel
