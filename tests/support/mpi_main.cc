// Entry point of the tests that run under mpirun: message passing, pool and store are set
// up once, and only the master reports.
#include <gtest/gtest.h>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

namespace {
// Every test starts from a new store and pool, as the single-process fixtures give them, so
// no test depends on what an earlier one left behind (the order of test files may change).
class FreshStore : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    ostrel::store_close();
    ostrel::pool_init(std::int64_t{256} << 20);
    ostrel::store_open("", -64);
  }
};
}  // namespace

int main(int argc, char** argv) {
  ostrel::mp_start(&argc, &argv);
  ::testing::InitGoogleTest(&argc, argv);
  if (!ostrel::is_master) {
    auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
  }
  ostrel::pool_init(std::int64_t{256} << 20);
  ostrel::store_open("", -64);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStore);
  int failed = RUN_ALL_TESTS();
  // Every node must agree on the outcome, or mpirun would report success for a failing node.
  ostrel::mp_sum(&failed, 1, ostrel::MP_INT, 0);
  ostrel::mp_bcast(&failed, 1, ostrel::MP_INT, 0);
  ostrel::store_close();
  ostrel::mp_finish();
  return failed ? 1 : 0;
}
