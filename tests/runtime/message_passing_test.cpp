#include "runtime/message_passing.hpp"

#include <gtest/gtest.h>

#include "runtime/node.hpp"

namespace ostrel {
namespace {

TEST(MessagePassingOneNode, EveryOperationLeavesDataAndStatisticsAlone) {
  ASSERT_EQ(node_count, 1);
  mp_transfer(nullptr, 0, 0, 0, 0);
  double v[3] = {1, 2, 3};
  mp_bcast(v, 3, MP_DOUBLE);
  mp_sum(v, 3, MP_DOUBLE);
  mp_min(v, 3, MP_DOUBLE);
  std::int64_t big = std::int64_t{1} << 40;
  mp_sum(&big, 1, MP_INT64);
  EXPECT_EQ(std::vector<double>(v, v + 3), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(big, std::int64_t{1} << 40);
  int words[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  mp_transfer(words, 8, MP_INT, 0, 'i');
  for (int i = 0; i < 4; ++i) EXPECT_EQ(words[i], 0);
  EXPECT_EQ(mp_stats().send_time + mp_stats().receive_time, 0.0);  // neither is negative
  barrier();
}

}  // namespace
}  // namespace ostrel
