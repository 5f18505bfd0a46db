#include "runtime/startup.hpp"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include "runtime/store.hpp"

namespace ostrel {
namespace {

int entries(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}

// A signal in the middle of a run ends it with status 1 and removes the scratch files.
void run_until(int signal, const std::string& dir) {
  std::string input = dir + "/in.inp";
  std::ofstream(input) << "$system disk=2 path=" << dir << "/scratch $end\n";
  std::string output = dir + "/out.txt";
  char* argv[] = {const_cast<char*>("ostrel"), input.data(), output.data(), nullptr};
  start_run(3, argv);
  double payload[64] = {};
  store_write("payload", 0, payload, sizeof payload);
  if (entries(dir + "/scratch") != 2) std::_Exit(3);
  std::raise(signal);
}

class Startup : public ::testing::TestWithParam<int> {};

TEST_P(Startup, SignalsEndTheRunCleanly) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child must see the same directory
  char pattern[] = "/tmp/ostrel-start-XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string scratch = dir + "/scratch";
  ASSERT_EQ(mkdir(scratch.c_str(), 0700), 0);
  EXPECT_EXIT(run_until(GetParam(), dir), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(entries(scratch), 0);
  std::ifstream out(dir + "/out.txt");
  std::string text((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("  process 0 received signal " + std::to_string(GetParam()) + "\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" REAL time ="), std::string::npos);
  EXPECT_LT(text.find("received signal"), text.find("===="));
  std::system(("rm -rf " + dir).c_str());
}

INSTANTIATE_TEST_SUITE_P(Interrupts, Startup, ::testing::Values(SIGINT, SIGTERM, SIGABRT, SIGSEGV));

}  // namespace
}  // namespace ostrel
