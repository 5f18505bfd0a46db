#include "input/provided_results.hpp"

#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/records.hpp"
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
    return testing::captured_stdout([&] { read_provided_results(group, InputFile(text).get()); });
  }
  std::vector<int> have() {
    std::vector<int> v(3);
    store_get_array<int>("haveE", std::span<int>(v));
    return v;
  }
};

// Nothing given stores zeros; a derivative counts only with everything below it; a list with
// a missing element is not given.
TEST_F(ProvidedResults, EachDerivativeNeedsTheOnesBelowIt) {
  const struct {
    const char* text;
    const char* message;
    std::vector<int> have;
    std::vector<double> gradient, hessian;
  } cases[] = {
      {"$control $end", "", {0, 0, 0}, {0, 0, 0}, {}},
      {"$energy e=-1.5 g=0.1,0.2 $end", "\n\n Energy provided (-1.500000000000000e+00).\n", {1, 0, 0}, {0, 0, 0}, {}},
      {"$energy e=-1.5 g=0.1,0.2,-0.3 h=1,2,3 $end",
       "\n\n Energy provided (-1.500000000000000e+00).\n Gradient too.\n", {1, 1, 0}, {0.1, 0.2, -0.3}, {}},
      {"$energy e=2 g=0,0,0 h=1,2,3,4,5,6 $end",
       "\n\n Energy provided ( 2.000000000000000e+00).\n Gradient too.\n Hessian too.\n", {1, 1, 1}, {0, 0, 0},
       {1, 2, 3, 4, 5, 6}},
      {"$energy g=1,2,3 h=1,2,3,4,5,6 $end", "", {0, 0, 0}, {0, 0, 0}, {}},
  };
  for (const auto& c : cases) {
    restart();
    EXPECT_EQ(read(c.text), c.message) << c.text;
    EXPECT_EQ(have(), c.have) << c.text;
    EXPECT_EQ(testing::get_reals("Gradient"), c.gradient) << c.text;
    std::vector<double> h = c.hessian;
    h.resize(21, 0.0);
    EXPECT_EQ(testing::get_reals("Hessian"), h) << c.text;  // 3N(3N+1)/2 values, 9N + 6 zeros
  }
  EXPECT_EQ(store_get<double>("Energy"), 0.0);  // the last case gives none
  EXPECT_EQ((std::vector<std::int64_t>{store_size("Polariz"), store_size("DipoleX"), store_size("PolarizX")}),
            (std::vector<std::int64_t>{264, 8 * 9, 8 * 99}));
  EXPECT_EQ(testing::get_reals("Dipole"), std::vector<double>(9, 0.0));
  read("$energy e=1 d=0.5,0,-0.5 $end");
  EXPECT_EQ(testing::get_reals("Dipole"), (std::vector<double>{0.5, 0, -0.5, 0, 0, 0, 0, 0, 0}));
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

}  // namespace
}  // namespace ostrel
