#include "input/provided_results.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

class ProvidedResults : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    store_put("Natom", 1);
    store_put("nwave", 1);
  }
  std::string read(const std::string& text, const char* group = "energy") {
    InputFile input(text);
    ::testing::internal::CaptureStdout();
    try {
      read_provided_results(group, input.get());
    } catch (...) {
      ::testing::internal::GetCapturedStdout();
      throw;
    }
    return ::testing::internal::GetCapturedStdout();
  }
  std::vector<int> have() {
    std::vector<int> v(3);
    store_get_array<int>("haveE", std::span<int>(v));
    return v;
  }
  std::vector<double> reals(const char* name) {
    std::vector<double> v(static_cast<std::size_t>(store_size(name) / 8));
    store_get_array<double>(name, std::span<double>(v));
    return v;
  }
};

TEST_F(ProvidedResults, NothingGivenStoresZerosOfTheRightSizes) {
  EXPECT_EQ(read("$control $end"), "");
  EXPECT_EQ(have(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(store_get<double>("Energy"), 0.0);
  EXPECT_EQ(reals("Dipole"), std::vector<double>(9, 0.0));
  EXPECT_EQ(store_size("Polariz"), 264);
  EXPECT_EQ(reals("Gradient"), std::vector<double>(3, 0.0));
  EXPECT_EQ(store_size("DipoleX"), 8 * 9);
  EXPECT_EQ(store_size("PolarizX"), 8 * 99);
  // 3N(3N+1)/2 packed values and 9N + 6 zeros behind them.
  EXPECT_EQ(reals("Hessian"), std::vector<double>(6 + 15, 0.0));
}

TEST_F(ProvidedResults, EnergyAlone) {
  EXPECT_EQ(read("$energy e=-1.5 g=0.1,0.2 $end"), "\n\n Energy provided (-1.500000000000000e+00).\n");
  EXPECT_EQ(have(), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(store_get<double>("Energy"), -1.5);
  // A gradient with a missing element is not a gradient.
  EXPECT_EQ(reals("Gradient"), std::vector<double>(3, 0.0));
}

TEST_F(ProvidedResults, EnergyAndGradient) {
  EXPECT_EQ(read("$energy e=-1.5 g=0.1,0.2,-0.3 h=1,2,3 $end"),
            "\n\n Energy provided (-1.500000000000000e+00).\n Gradient too.\n");
  EXPECT_EQ(have(), (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(reals("Gradient"), (std::vector<double>{0.1, 0.2, -0.3}));
  EXPECT_EQ(reals("Hessian"), std::vector<double>(21, 0.0));
}

TEST_F(ProvidedResults, EnergyGradientAndHessian) {
  EXPECT_EQ(read("$energy e=2 g=0,0,0 h=1,2,3,4,5,6 d=0.5,0,-0.5 $end"),
            "\n\n Energy provided ( 2.000000000000000e+00).\n Gradient too.\n Hessian too.\n");
  EXPECT_EQ(have(), (std::vector<int>{1, 1, 1}));
  std::vector<double> h = reals("Hessian");
  ASSERT_EQ(h.size(), 21u);
  EXPECT_EQ(std::vector<double>(h.begin(), h.begin() + 6), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(std::vector<double>(h.begin() + 6, h.end()), std::vector<double>(15, 0.0));
  EXPECT_EQ(reals("Dipole"), (std::vector<double>{0.5, 0, -0.5, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ProvidedResults, GradientWithoutEnergyIsIgnored) {
  EXPECT_EQ(read("$energy g=1,2,3 h=1,2,3,4,5,6 $end"), "");
  EXPECT_EQ(have(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(reals("Gradient"), std::vector<double>(3, 0.0));
  EXPECT_EQ(reals("Hessian"), std::vector<double>(21, 0.0));
}

TEST_F(ProvidedResults, NumberedGroupsAreReadByTheirOwnName) {
  read("$energy e=1 $end\n$energy001 e=7 $end\n", "energy001");
  EXPECT_EQ(store_get<double>("Energy"), 7.0);
  // A second call rewrites the same records.
  read("$energy e=1 $end\n$energy001 e=7 $end\n", "energy");
  EXPECT_EQ(store_get<double>("Energy"), 1.0);
}

TEST_F(ProvidedResults, PolarizabilityRecordHasRoomForEveryFrequency) {
  store_free("nwave");
  store_put("nwave", 3);
  read("$energy a=1,2,3 $end");
  EXPECT_EQ(store_size("Polariz"), 3 * 264);
  EXPECT_EQ(store_get<double>("Polariz", 16), 3.0);
}

TEST_F(ProvidedResults, ListsLongerThanTheMoleculeAreRejected) {
  // The fourth value has no element left and is taken for a name.
  EXPECT_FATAL(read("$energy e=1 g=1,2,3,4 $end"), "unknown name 4");
  EXPECT_FATAL(read("$energy e=1 g(4)=1 $end"), "reading variable 'g'");
}

// The "eng>" results block of the energy driver, as a user cuts it out of a report.
std::string results_block(int natom) {
  const int n = 3 * natom;
  std::ostringstream out;
  char line[256];
  auto put = [&](const char* fmt, auto... values) {
    std::snprintf(line, sizeof line, fmt, values...);
    out << line;
  };
  put("\n\n%s$Energy\n", "eng>");
  put("%s E=%19.12e\n", "eng>", -76.125);
  put("%s D=%15.8e %15.8e %15.8e\n", "eng>", 0.1, -0.2, 0.7);
  put("%s A=%15.8e\n%s   %15.8e %15.8e\n%s   %15.8e %15.8e %15.8e\n", "eng>", 9.1, "eng>", 0.2,
      8.2, "eng>", -0.3, 0.4, 7.3);
  for (int a = 0; a < natom; ++a)
    put("%s %2s%15.8e %15.8e %15.8e\n", "eng>", a == 0 ? "G=" : "", 1e-3 * (a + 1), -2e-3, 3e-3);
  for (int i = 0; i < n; ++i)
    put("%s %3s%15.8e %15.8e %15.8e\n", "eng>", i == 0 ? "Dx=" : "", 0.5 + i, -1.0 * i, 0.25);
  const int packed = n * (n + 1) / 2;
  for (int t = 0; t < packed / 3; ++t) {
    double v = 0.01 * (3 * t + 1);
    if (t % 2 == 0)
      put("%s %2s%15.8e %15.8e %15.8e", "eng>", t == 0 ? "H=" : "", v, v + 0.01, v + 0.02);
    else
      put(" %15.8e %15.8e %15.8e\n", v, v + 0.01, v + 0.02);
  }
  if ((packed / 3) % 2) out << "\n";
  put("%s$end\n\n", "eng>");
  put(" G(max) = %10.8lf\n\n", 3e-3 * natom);
  // Strip the tag as a text filter would.
  std::string text = out.str(), stripped;
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) stripped += (l.rfind("eng>", 0) == 0 ? l.substr(4) : l) + "\n";
  return stripped;
}

TEST_F(ProvidedResults, ReadsBackTheEnergyDriversResultsBlock) {
  store_free("nwave");
  store_free("Natom");
  store_put("Natom", 2);
  store_put("nwave", 1);
  std::string out = read(results_block(2));
  EXPECT_EQ(out, "\n\n Energy provided (-7.612500000000000e+01).\n Gradient too.\n Hessian too.\n");
  EXPECT_EQ(have(), (std::vector<int>{1, 1, 1}));
  EXPECT_DOUBLE_EQ(store_get<double>("Energy"), -76.125);
  EXPECT_EQ(reals("Dipole"), (std::vector<double>{0.1, -0.2, 0.7, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(store_get<double>("Polariz", 8 * 5), 7.3);
  EXPECT_EQ(reals("Gradient"), (std::vector<double>{1e-3, -2e-3, 3e-3, 2e-3, -2e-3, 3e-3}));
  std::vector<double> dx = reals("DipoleX");
  ASSERT_EQ(dx.size(), 18u);
  EXPECT_EQ(dx[15], 5.5);
  EXPECT_EQ(dx[16], -5.0);
  std::vector<double> h = reals("Hessian");
  ASSERT_EQ(h.size(), 21u + 18 + 6);
  for (int i = 0; i < 21; ++i) EXPECT_NEAR(h[i], 0.01 * (i + 1), 1e-12) << i;
}

}  // namespace
}  // namespace ostrel
