// The "$Energy" results group: exact lines for small cases and the round trip through the
// reader of precomputed results.
#include "model/result_groups.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "input/provided_results.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

class ResultGroups : public testing::RuntimeTest {
 protected:
  void put(const char* name, const std::vector<double>& v) {
    store_alloc(name, 8 * static_cast<std::int64_t>(v.size()));
    store_put_array<double>(name, std::span<const double>(v));
  }
  std::string write(const char* e, const char* g, const char* h, const char* d, const char* a,
                    const char* dx, const char* ax, int natom, const char* tag = "eng>",
                    int index = -1) {
    ::testing::internal::CaptureStdout();
    const std::int64_t before = pool_available();
    write_result_group(e, g, h, d, a, dx, ax, natom, tag, index);
    std::fflush(stdout);
    EXPECT_EQ(pool_available(), before);  // every work array went back
    return ::testing::internal::GetCapturedStdout();
  }
};

std::vector<double> ramp(int n, double start, double step) {
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i) v[i] = start + step * i;
  return v;
}

TEST_F(ResultGroups, EnergyOnlyAndIndexedHeader) {
  put("Energy", {-76.125});
  EXPECT_EQ(write("Energy", "", "", "", "", "", "", 3),
            "\n\neng>$Energy\neng> E=-7.612500000000e+01\neng>$end\n\n");
  EXPECT_EQ(write("Energy", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 3, "num>", 7),
            "\n\nnum>$Energy007\nnum> E=-7.612500000000e+01\nnum>$end\n\n");
}

TEST_F(ResultGroups, EnergyDipoleAndGradientWithLargestComponent) {
  put("Energy", {-1.5});
  put("Dipole", {0.1, -0.2, 0.7, 9, 9, 9, 9, 9, 9});  // only the first three belong to it
  put("Gradient", {1e-3, -2e-3, 3e-3, 0.25, -0.5, 0.0});
  EXPECT_EQ(write("Energy", "Gradient", "", "Dipole", "", "", "", 2),
            "\n\neng>$Energy\n"
            "eng> E=-1.500000000000e+00\n"
            "eng> D= 1.00000000e-01 -2.00000000e-01  7.00000000e-01\n"
            "eng> G= 1.00000000e-03 -2.00000000e-03  3.00000000e-03\n"
            "eng>    2.50000000e-01 -5.00000000e-01  0.00000000e+00\n"
            "eng>$end\n\n"
            " G(max) = 0.50000000\n\n");
}

TEST_F(ResultGroups, OneAtomHessianFillsOneLine) {
  put("Energy", {2.0});
  put("Gradient", {0, 0, 0});
  put("Hessian", {1, 2, 3, 4, 5, 6, 7, 7, 7});  // trailing values are not part of it
  EXPECT_EQ(write("Energy", "Gradient", "Hessian", "", "", "", "", 1),
            "\n\neng>$Energy\n"
            "eng> E= 2.000000000000e+00\n"
            "eng> G= 0.00000000e+00  0.00000000e+00  0.00000000e+00\n"
            "eng> H= 1.00000000e+00  2.00000000e+00  3.00000000e+00"
            "  4.00000000e+00  5.00000000e+00  6.00000000e+00\n"
            "eng>$end\n\n"
            " G(max) = 0.00000000\n\n");
}

TEST_F(ResultGroups, OddNumberOfHessianTriplesClosesTheLastLine) {
  put("Opt.Hx", ramp(21, 1.0, 1.0));  // two atoms: 21 values, 7 triples
  const std::string out = write("", "", "Opt.Hx", "", "", "", "", 2, "opt>");
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 9u);  // 2 empty, header, 4 Hessian lines, $end, empty
  EXPECT_EQ(lines[2], "opt>$Energy");
  EXPECT_EQ(lines[3].substr(0, 7), "opt> H=");
  EXPECT_EQ(lines[4].substr(0, 7), "opt>   ");
  EXPECT_EQ(lines[6], "opt>    1.90000000e+01  2.00000000e+01  2.10000000e+01");
  EXPECT_EQ(lines[7], "opt>$end");
  EXPECT_EQ(out.find("G(max)"), std::string::npos);  // no gradient, no G(max) line
}

TEST_F(ResultGroups, PolarizabilityTriangleAndTrailingValues) {
  std::vector<double> a(33, 0.0);
  put("Zero", a);
  a[0] = 9.1, a[1] = 0.2, a[2] = 8.2, a[3] = -0.3, a[4] = 0.4, a[5] = 7.3;
  put("Triangle", a);
  a[32] = 1.0;
  put("Full", a);
  const std::string head = "\n\neng>$Energy\n", tail = "eng>$end\n\n";
  const std::string triangle =
      "eng> A= 9.10000000e+00\n"
      "eng>    2.00000000e-01  8.20000000e+00\n"
      "eng>   -3.00000000e-01  4.00000000e-01  7.30000000e+00\n";
  EXPECT_EQ(write("", "", "", "", "Zero", "", "", 1), head + tail);
  EXPECT_EQ(write("", "", "", "", "Triangle", "", "", 1), head + triangle + tail);
  std::string rest;
  for (int i = 0; i < 8; ++i) rest += "eng>    0.00000000e+00  0.00000000e+00  0.00000000e+00\n";
  rest += "eng>    0.00000000e+00  0.00000000e+00  1.00000000e+00\n";
  EXPECT_EQ(write("", "", "", "", "Full", "", "", 1), head + triangle + rest + tail);
}

TEST_F(ResultGroups, PolarizabilityDerivativesSkipZeroTrailingBlocks) {
  std::vector<double> ax(33 * 3, 0.0);
  for (int i = 0; i < 18; ++i) ax[i] = i + 1;  // three packed triangles
  put("AxShort", ax);
  ax[33 * 3 - 1] = -4.0;
  put("AxLong", ax);
  auto count = [](const std::string& s) {
    int n = 0;
    for (char c : s) n += c == '\n';
    return n;
  };
  const std::string shortened = write("", "", "", "", "", "", "AxShort", 1);
  EXPECT_EQ(count(shortened), 3 + 9 + 2);
  EXPECT_NE(shortened.find("eng> Ax= 1.00000000e+00\n"), std::string::npos);
  EXPECT_NE(shortened.find("eng>     1.60000000e+01  1.70000000e+01  1.80000000e+01\n"), std::string::npos);
  const std::string full = write("", "", "", "", "", "", "AxLong", 1);
  EXPECT_EQ(count(full), 3 + 9 + 27 + 2);  // + 3 x 3 lines of 9, then 3 x 6 lines of 18
  EXPECT_NE(full.find("eng>     0.00000000e+00  0.00000000e+00 -4.00000000e+00\neng>$end"), std::string::npos);
}

TEST_F(ResultGroups, NothingOnOtherNodes) {
  put("Energy", {1.0});
  is_master = 0;
  const std::string out = write("Energy", "", "", "", "", "", "", 1);
  is_master = 1;
  EXPECT_EQ(out, "");
}

// What the printed text of a value reads back as.
double printed(const char* fmt, double v) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, v);
  return std::strtod(text, nullptr);
}

std::vector<double> reals(const char* name) {
  std::vector<double> v(static_cast<std::size_t>(store_size(name) / 8));
  store_get_array<double>(name, std::span<double>(v));
  return v;
}

// The energy driver's block for two atoms at level 2, tag cut off by a text filter, goes
// back in through the reader of precomputed results and gives the printed values.
TEST_F(ResultGroups, DriverBlockReadsBackAsProvidedResults) {
  const int natom = 2, n = 6;
  const double energy = -76.02663273509;
  std::vector<double> dipole = {0.123456789012, -0.0, 0.7891e-3, 0, 0, 0, 0, 0, 0};
  std::vector<double> grad = {1.234567891e-3, -2.5e-7, 3.1415926535e-2, -1.234567891e-3, 2.5e-7, -0.031415926535};
  std::vector<double> hess(n * (n + 1) / 2 + 9 * natom + 6, 0.0);
  for (int i = 0; i < n * (n + 1) / 2; ++i) hess[i] = 0.1 * std::sin(1.0 + i) + (i % 4 == 0 ? 0.5 : 0);
  std::vector<double> polariz(33, 0.0), dipole_x(3 * n);
  for (int i = 0; i < 6; ++i) polariz[i] = 1.0 / (i + 3);
  for (int i = 0; i < 3 * n; ++i) dipole_x[i] = std::cos(0.3 * i) / 7;
  put("Energy", {energy});
  put("Dipole", dipole);
  put("Gradient", grad);
  put("Hessian", hess);
  put("Polariz", polariz);
  put("DipoleX", dipole_x);
  const std::string out = write("Energy", "Gradient", "Hessian", "Dipole", "Polariz", "DipoleX", "", natom);

  std::string stripped;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) stripped += (l.rfind("eng>", 0) == 0 ? l.substr(4) : l) + "\n";
  store_clear();
  store_put("Natom", natom);
  store_put("nwave", 1);
  testing::InputFile input(stripped);
  ::testing::internal::CaptureStdout();
  read_provided_results("energy", input.get());
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\n\n Energy provided (-7.602663273509000e+01).\n Gradient too.\n Hessian too.\n");
  EXPECT_EQ(store_get<double>("Energy"), printed("%19.12e", energy));
  const std::vector<double> d = reals("Dipole");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(d[i], printed("%15.8e", dipole[i])) << i;
  const std::vector<double> g = reals("Gradient");
  for (int i = 0; i < n; ++i) EXPECT_EQ(g[i], printed("%15.8e", grad[i])) << i;
  const std::vector<double> h = reals("Hessian");
  for (int i = 0; i < n * (n + 1) / 2; ++i) EXPECT_EQ(h[i], printed("%15.8e", hess[i])) << i;
  const std::vector<double> a = reals("Polariz");
  for (int i = 0; i < 33; ++i) EXPECT_EQ(a[i], printed("%15.8e", polariz[i])) << i;
  const std::vector<double> dx = reals("DipoleX");
  for (int i = 0; i < 3 * n; ++i) EXPECT_EQ(dx[i], printed("%15.8e", dipole_x[i])) << i;
  int have[3];
  store_read("haveE", 0, have, sizeof have);
  EXPECT_EQ(have[0] + have[1] + have[2], 3);
}

// Polarizability derivatives with all three blocks read back through "ax".
TEST_F(ResultGroups, PolarizabilityDerivativesReadBack) {
  const int natom = 1, n = 3;
  std::vector<double> ax(33 * n);
  for (int i = 0; i < 33 * n; ++i) ax[i] = std::sin(0.7 * i + 0.1);
  put("Energy", {-1.0});
  put("PolarizX", ax);
  const std::string out = write("Energy", "", "", "", "", "", "PolarizX", natom, "num>");
  std::string stripped;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) stripped += (l.rfind("num>", 0) == 0 ? l.substr(4) : l) + "\n";
  store_clear();
  store_put("Natom", natom);
  store_put("nwave", 1);
  testing::InputFile input(stripped);
  ::testing::internal::CaptureStdout();
  read_provided_results("energy", input.get());
  ::testing::internal::GetCapturedStdout();
  const std::vector<double> back = reals("PolarizX");
  ASSERT_EQ(back.size(), ax.size());
  for (int i = 0; i < 33 * n; ++i) EXPECT_EQ(back[i], printed("%15.8e", ax[i])) << i;
}

}  // namespace
}  // namespace ostrel
