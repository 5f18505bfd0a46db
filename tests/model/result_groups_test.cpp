// The "$Energy" results group: the round trip through the reader of precomputed results.
#include "model/result_groups.hpp"

#include <cmath>
#include <cstdlib>

#include "input/provided_results.hpp"
#include "runtime/node.hpp"
#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/records.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

class ResultGroups : public testing::RuntimeTest {
 protected:
  std::string write(const char* e, const char* g, const char* h, const char* d, const char* a,
                    const char* dx, const char* ax, int natom, const char* tag = "eng>",
                    int index = -1) {
    const std::int64_t before = pool_available();
    const std::string out = testing::captured_stdout([&] { write_result_group(e, g, h, d, a, dx, ax, natom, tag, index); });
    EXPECT_EQ(pool_available(), before);  // every work array went back
    return out;
  }
};

// What the printed text of a value reads back as.
double printed(const char* fmt, double v) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, v);
  return std::strtod(text, nullptr);
}

// Every kind of result for one and for two atoms, tag cut off by a text filter, goes back in
// through the reader of precomputed results and gives the printed values (the lines themselves
// are checked end to end in tests/cli/energy.sh). With one atom the polarizabilities fill
// every block; with two their trailing blocks are zero and left out. Other nodes write nothing.
TEST_F(ResultGroups, GroupsReadBackAsProvidedResults) {
  for (int natom : {1, 2}) {
    const int n = 3 * natom;
    const bool full = natom == 1;
    const double energy = -76.02663273509;
    std::vector<double> dipole = {0.123456789012, -0.0, 0.7891e-3, 0, 0, 0, 0, 0, 0}, grad(n);
    for (int i = 0; i < n; ++i) grad[i] = (i % 2 ? -1 : 1) * 1.234567891e-3 * (i + 1);
    std::vector<double> hess(n * (n + 1) / 2 + 9 * natom + 6, 0.0);
    for (int i = 0; i < n * (n + 1) / 2; ++i) hess[i] = 0.1 * std::sin(1.0 + i) + (i % 4 == 0 ? 0.5 : 0);
    std::vector<double> polariz(33, 0.0), dipole_x(3 * n), polariz_x(33 * n, 0.0);
    for (int i = 0; i < (full ? 33 : 6); ++i) polariz[i] = 1.0 / (i + 3);
    for (int i = 0; i < 3 * n; ++i) dipole_x[i] = std::cos(0.3 * i) / 7;
    for (int i = 0; i < (full ? 33 * n : 18); ++i) polariz_x[i] = std::sin(0.7 * i + 0.1);
    const struct { const char* name; const std::vector<double>& given; int count; } records[] = {
        {"Dipole", dipole, 3},    {"Gradient", grad, n},        {"Hessian", hess, n * (n + 1) / 2},
        {"Polariz", polariz, 33}, {"DipoleX", dipole_x, 3 * n}, {"PolarizX", polariz_x, 33 * n}};
    store_clear();
    testing::put_reals("Energy", {energy});
    for (const auto& r : records) testing::put_reals(r.name, r.given);
    const std::string out =
        write("Energy", "Gradient", "Hessian", "Dipole", "Polariz", "DipoleX", "PolarizX", natom, "eng>", 7);
    std::string stripped;
    for (const std::string& l : testing::lines_of(out)) stripped += (l.rfind("eng>", 0) == 0 ? l.substr(4) : l) + "\n";
    store_clear();
    store_put("Natom", natom);
    store_put("nwave", 1);
    testing::InputFile input(stripped);
    EXPECT_EQ(testing::captured_stdout([&] { read_provided_results("energy007", input.get()); }),
              "\n\n Energy provided (-7.602663273509000e+01).\n Gradient too.\n Hessian too.\n");
    EXPECT_EQ(store_get<double>("Energy"), printed("%19.12e", energy));
    for (const auto& r : records) {
      const std::vector<double> back = testing::get_reals(r.name);
      ASSERT_GE(back.size(), std::size_t(r.count)) << r.name;
      for (int i = 0; i < r.count; ++i) EXPECT_EQ(back[i], printed("%15.8e", r.given[i])) << r.name << i;
    }
  }
  is_master = 0;
  const std::string out = write("Energy", "", "", "", "", "", "", 1);
  is_master = 1;
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace ostrel
