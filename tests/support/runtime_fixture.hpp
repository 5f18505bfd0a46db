#pragma once
// A fresh pool and memory store for every test.
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"

namespace ostrel::testing {

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pool_init(std::int64_t{64} << 20);
    store_open("", -64);
  }
  void TearDown() override { store_close(); }
  // A fresh pool and store, for the next case of a loop.
  void restart() {
    store_close();
    SetUp();
  }
};

// Pool and store large enough for the real bases, grids and whole SCF runs.
class LargeRuntimeTest : public RuntimeTest {
 protected:
  void SetUp() override {
    pool_init(std::int64_t{256} << 20);
    store_open("", -400);
  }
};

}  // namespace ostrel::testing
