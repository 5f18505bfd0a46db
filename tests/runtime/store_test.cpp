#include "runtime/store.hpp"

#include <cstdio>

#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::RuntimeTest;

class Store : public RuntimeTest {};

TEST_F(Store, WriteCreatesThenOverwritesAndGuardsTheSize) {
  double e = -76.5;
  store_write("Energy", 0, &e, 8);
  e = -1.25;
  store_write("Energy", 0, &e, 8);
  EXPECT_EQ(store_get<double>("Energy"), -1.25);
  double two[2] = {1, 2};
  EXPECT_FATAL(store_write("Energy", 0, two, 16), "0: write Energy(0:16)?");
  EXPECT_EQ(store_size("Energy"), 8);
  EXPECT_FATAL(store_write("Missing", 8, two, 8), "0: write 'Missing'?");
  EXPECT_FATAL(store_read("Missing", 0, two, 8), "0: read 'Missing'");
  EXPECT_FATAL(store_read("Energy", 4, two, 8), "0: read  Energy(4:12)");
}

TEST_F(Store, SequentialFieldsAdvanceTheCursor) {
  double radius = 2.5;
  int fields[4] = {1, 2, 3, 4};
  store_write("rec", 0, &radius, 8);  // creates an 8-byte record
  store_free("rec");
  store_alloc("rec", 24);
  store_write("rec", 0, &radius, 8);
  for (int& f : fields) store_write("rec", SEQUENTIAL, &f, 4);
  double r = 0;
  int back[4] = {};
  store_read("rec", 0, &r, 8);
  for (int& b : back) store_read("rec", SEQUENTIAL, &b, 4);
  EXPECT_EQ(r, 2.5);
  EXPECT_EQ(back[3], 4);
  // The cursor now stands at 24: one more sequential byte is outside the record.
  char c;
  EXPECT_FATAL(store_read("rec", SEQUENTIAL, &c, 1), "read  rec(24:25)");
  // A skip moves the cursor; a missing name touches nothing.
  store_skip("rec", 8, 8);
  store_write("rec", SEQUENTIAL, &radius, 8);
  EXPECT_EQ(store_get<double>("rec", 16), 2.5);
  EXPECT_FATAL(store_skip("nope", 0, 8), "read 'nope'");
  EXPECT_EQ(store_exists("nope"), 0);
}

TEST_F(Store, AllocOfAnExistingRecordChecksTheSizeAndKeepsTheCursor) {
  store_alloc("block", 16);
  int v = 7;
  store_write("block", 0, &v, 4);
  store_alloc("block", 16);
  store_write("block", SEQUENTIAL, &v, 4);  // at 4, not 0
  int back[2];
  store_read("block", 0, back, 8);
  EXPECT_EQ(back[1], 7);
  EXPECT_FATAL(store_alloc("block", 32), "0: size('block')=32 (16)");
}

TEST_F(Store, RecordsAreFreedInStackOrderOnly) {
  store_alloc("one", 8);
  store_alloc("two", 8);
  store_alloc("three", 8);
  EXPECT_FATAL(store_free("one"),
               "\n0: free 'one' ?\n 0              one\n 1              two\n 2            three\n");
  store_free("three");
  store_free("two");
  store_free("one");
  EXPECT_EQ(store_exists("two"), 0);
  EXPECT_FATAL(store_free("nothing"), "free 'nothing' ?");
}

TEST_F(Store, NamesAreSignificantTo16Bytes) {
  int a = 1, b = 2;
  store_write("abcdefghijklmnopQ", 0, &a, 4);
  store_write("abcdefghijklmnopRS", 0, &b, 4);
  EXPECT_EQ(store_get<int>("abcdefghijklmnop"), 2);
  EXPECT_EQ(store_exists("abcdefghijklmno"), 0);
  // A 16-byte name prints whole, without running into other memory.
  EXPECT_FATAL(store_read("abcdefghijklmnopZ", 0, &a, 8), "read  abcdefghijklmnop(0:8)");
}

TEST_F(Store, DictionaryHolds4095Records) {
  char name[16];
  for (int i = 0; i < 4095; ++i) {
    std::snprintf(name, sizeof name, "r%d", i);
    store_alloc(name, 8);
  }
  EXPECT_FATAL(store_alloc("last", 8), "0: max dic?");
  EXPECT_FATAL(store_write("last", 0, name, 8), "\n max dic?");
  // Lookups still find old records past the recency cache.
  EXPECT_EQ(store_exists("r0") + store_exists("r4094"), 2);
}

TEST_F(Store, CapacityIsEnforcedOnCreation) {
  store_close();
  store_open("", -1);
  store_alloc("big", (1 << 20) - 8);
  EXPECT_FATAL(store_alloc("more", 16), "0: out of disk space (more), 1024KB");
  char buffer[16] = {};
  EXPECT_FATAL(store_write("more", 0, buffer, 16), "0: out of disk space (more), 1MB");
  EXPECT_EQ(store_exists("more"), 0);
  EXPECT_FATAL(store_alloc("neg", -5), "out of disk space");
}

}  // namespace
}  // namespace ostrel
