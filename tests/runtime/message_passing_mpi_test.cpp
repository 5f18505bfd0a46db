// Runs under mpirun with several nodes.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

TEST(MessagePassing, DoubleSumSpansSeveralPieces) {
  ASSERT_GT(node_count, 1);
  std::vector<double> v(10000);
  for (int i = 0; i < 10000; ++i) v[i] = i + 0.25 * node_id;
  mp_sum(v.data(), 10000, MP_DOUBLE, 0);
  if (is_master) {
    double extra = 0.25 * node_count * (node_count - 1) / 2;
    EXPECT_EQ(v[0], extra);
    EXPECT_EQ(v[8191], 8191.0 * node_count + extra);
    EXPECT_EQ(v[8192], 8192.0 * node_count + extra);  // first element of the second piece
    EXPECT_EQ(v[9999], 9999.0 * node_count + extra);
  }
}

TEST(MessagePassing, Int64SumIsExactBeyond32Bits) {
  std::vector<std::int64_t> v(20000);
  for (int i = 0; i < 20000; ++i) v[i] = (std::int64_t{1} << 40) + i * (node_id + 1);
  mp_sum(v.data(), 20000, MP_INT64, 0);
  if (is_master) {
    std::int64_t weights = std::int64_t{node_count} * (node_count + 1) / 2;
    EXPECT_EQ(v[0], (std::int64_t{1} << 40) * node_count);
    EXPECT_EQ(v[19999], (std::int64_t{1} << 40) * node_count + 19999 * weights);
  }
}

TEST(MessagePassing, BroadcastMinimumAndPointToPoint) {
  std::vector<char> bytes(200000, 0);
  if (is_master)
    for (int i = 0; i < 200000; ++i) bytes[i] = static_cast<char>(i % 251);
  mp_bcast(bytes.data(), 200000, MP_BYTE, 0);
  EXPECT_EQ(bytes[199999], static_cast<char>(199999 % 251));
  EXPECT_EQ(bytes[65536], static_cast<char>(65536 % 251));

  int options[2] = {0, 0};
  if (is_master) {
    options[0] = 500;
    options[1] = 300;
  }
  mp_bcast(options, 2, MP_INT, 0);
  EXPECT_EQ(options[1], 300);

  double m[2] = {10.0 - node_id, static_cast<double>(node_id)};
  mp_min(m, 2, MP_DOUBLE);
  if (is_master) {
    EXPECT_EQ(m[0], 10.0 - (node_count - 1));
    EXPECT_EQ(m[1], 0.0);
  }

  if (node_id == 1) {
    int token = 42;
    mp_send(&token, 1, MP_INT, 0);
  } else if (is_master) {
    int token = 0;
    mp_recv(&token, 1, MP_INT, 1);
    EXPECT_EQ(token, 42);
  }
}

TEST(MessagePassing, StatisticsCountEachSide) {
  mp_transfer(nullptr, 0, 0, 0, 0);
  std::vector<double> v(2048, 1.0);  // 16 KB
  mp_bcast(v.data(), 2048, MP_DOUBLE, 0);
  mp_sum(v.data(), 2048, MP_DOUBLE, 0);
  MpStats s = mp_stats();
  if (is_master) {
    EXPECT_EQ(s.messages_sent, 1);
    EXPECT_EQ(s.messages_received, 1);
    EXPECT_EQ(s.kb_sent, 16);
  } else {
    EXPECT_EQ(s.messages_sent, 1);
    EXPECT_EQ(s.messages_received, 1);
    EXPECT_EQ(s.kb_received, 16);
  }
}

}  // namespace
}  // namespace ostrel
