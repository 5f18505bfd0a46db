#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

std::string scratch_name(const std::string& dir, int i) {
  return dir + "/tmp" + std::to_string(getpid()) + "." + std::to_string(i);
}

long long file_size(const std::string& name) {
  struct stat s {};
  return stat(name.c_str(), &s) == 0 ? static_cast<long long>(s.st_size) : -1;
}

// Sizes of the first two scratch files of this process, -1 for a missing one.
std::vector<long long> sizes(const std::string& dir) {
  return {file_size(scratch_name(dir, 0)), file_size(scratch_name(dir, 1))};
}

class ScratchFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    pool_init(std::int64_t{16} << 20);
    char pattern[] = "/tmp/ostrel-scratch-XXXXXX";
    dir_ = mkdtemp(pattern);
    store_set_piece_size(1000);
  }
  void TearDown() override {
    store_close();
    store_set_piece_size(0);
    rmdir(dir_.c_str());
  }
  std::string dir_;
};

TEST_F(ScratchFiles, TransfersSplitAcrossFilesAndReadBackExactly) {
  store_open(dir_.c_str(), 2);
  EXPECT_EQ(sizes(dir_), (std::vector<long long>{0, 0}));
  store_alloc("head", 900);
  std::vector<unsigned char> data(300);
  for (int i = 0; i < 300; ++i) data[i] = static_cast<unsigned char>(i * 7 + 1);
  // Starts 100 bytes before the end of file 0: 100 bytes there, 200 in file 1.
  store_write("cross", 0, data.data(), 300);
  EXPECT_EQ(sizes(dir_), (std::vector<long long>{1000, 200}));
  std::vector<unsigned char> back(300);
  store_read("cross", 0, back.data(), 300);
  EXPECT_EQ(back, data);
  // Piecewise reads out of order move the file positions about.
  unsigned char tail[50];
  store_read("cross", 250, tail, 50);
  EXPECT_EQ(tail[0], data[250]);
  store_read("cross", 90, tail, 20);
  EXPECT_EQ(tail[19], data[109]);
  EXPECT_FATAL(store_alloc("over", 801), "out of disk space (over), 1KB");
  store_close();
  EXPECT_EQ(sizes(dir_), (std::vector<long long>{-1, -1}));
}

TEST_F(ScratchFiles, AllocatedButUnwrittenBytesReadAsZeros) {
  store_open(dir_.c_str(), 1);
  store_alloc("blank", 64);
  double v[8];
  for (double& x : v) x = 1.0;
  store_read("blank", 0, v, 64);
  for (double x : v) EXPECT_EQ(x, 0.0);
}

TEST_F(ScratchFiles, PathListGivesEachNodeItsDirectory) {
  std::string list = dir_ + ":/nonexistent-ostrel-dir";
  store_open(list.c_str(), 1);
  EXPECT_GE(file_size(scratch_name(dir_, 0)), 0);
  store_close();
  node_id = 1;
  EXPECT_FATAL(store_open(list.c_str(), 1), "1: opening file /nonexistent-ostrel-dir/tmp");
  node_id = 2;
  EXPECT_FATAL(store_open(list.c_str(), 1), "2: path?");
  node_id = 0;
}

TEST_F(ScratchFiles, TooManyFilesAndMemoryMode) {
  EXPECT_FATAL(store_open(dir_.c_str(), 512), "0: too many tmp files (512)");
  store_open(dir_.c_str(), -1);
  EXPECT_EQ(file_size(scratch_name(dir_, 0)), -1);
  std::vector<char> mb(1 << 20, 'x');
  store_write("all", 0, mb.data(), 1 << 20);
  std::vector<int> usage(3);
  store_usage(&usage[0], &usage[1], &usage[2]);
  EXPECT_EQ(usage, (std::vector<int>{1024, 1024, 0}));  // peak, written, read
}

}  // namespace
}  // namespace ostrel
