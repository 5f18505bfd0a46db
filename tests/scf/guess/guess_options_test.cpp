// The "$guess" group: orbital orders, the mix and vectors given in the input (also as the
// "$ce" print of orbitals reads back).
#include "scf/guess/guess_driver.hpp"
#include "scf/guess/vector_file.hpp"
#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/records.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

class GuessOptionsTest : public testing::RuntimeTest {
 protected:
  GuessOptions read(const std::string& text, int nbasis, int restricted) {
    store_put("Nbasis", nbasis);
    store_put("restrict", restricted);
    return guess_read_options(testing::InputFile(text).get());
  }
};

TEST_F(GuessOptionsTest, OrdersAndTheMixFollowTheRestriction) {
  read("", 3, 1);
  EXPECT_EQ(testing::get_ints("guess_na"), (std::vector<int>{0, 1, 2, 3, 4, 5}));  // room for 2 Nbasis
  EXPECT_EQ(store_exists("guess_Ca"), 0);
  GuessOptions o = read("$guess skip=1 na=2,1 nb=1,3,2 read=1 mix=1 loc=1 $end", 3, 0);
  EXPECT_EQ(o.skip + o.read + o.mix + o.localize, 4);
  EXPECT_EQ(store_get<int>("guess.skip") + store_get<int>("guess.read") + store_get<int>("guess.mix") +
                store_get<int>("guess.loc"),
            4);
  EXPECT_EQ(testing::get_ints("guess_na"), (std::vector<int>{1, 0, 2, 3, 4, 5}));
  EXPECT_EQ(testing::get_ints("guess_nb"), (std::vector<int>{0, 2, 1, 3, 4, 5}));
  // Restricted: "n" is "na", beta follows alpha, and there is nothing to mix.
  o = read("$guess n=3,2,1 nb=1,3,2 mix=1 $end", 3, 1);
  EXPECT_EQ(o.mix + store_get<int>("guess.mix"), 0);
  EXPECT_EQ(testing::get_ints("guess_na"), (std::vector<int>{2, 1, 0, 3, 4, 5}));
  EXPECT_EQ(testing::get_ints("guess_nb"), (std::vector<int>{2, 1, 0, 3, 4, 5}));
}

TEST_F(GuessOptionsTest, InputVectors) {
  GuessOptions o = read("$guess read=-1 $end\n$ce n=2 c=1,2,3,4 e=-0.5,0.25 $end", 3, 1);
  EXPECT_EQ(o.read, -1);
  EXPECT_EQ(testing::get_reals("guess_Ca"), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(testing::get_reals("guess_ea"), (std::vector<double>{-0.5, 0.25}));
  EXPECT_EQ(testing::get_reals("guess_Cb"), (std::vector<double>{1, 2, 3, 4}));  // beta copied from alpha
  EXPECT_EQ(testing::get_reals("guess_eb"), (std::vector<double>{-0.5, 0.25}));
  restart();
  read("$guess read=-2 $end\n$ce n=2 ca=1,0,0,1 ea=-1,1 cb=0,1,1,0 eb=-2 $end", 2, 0);
  EXPECT_EQ(testing::get_reals("guess_Cb"), (std::vector<double>{0, 1, 1, 0}));
  EXPECT_EQ(testing::get_reals("guess_eb"), (std::vector<double>{-2, 0}));
  restart();
  read("$guess read=-1 $end", 2, 1);  // no "$ce": room for twice the basis
  EXPECT_EQ((std::vector<std::int64_t>{store_size("guess_Ca"), store_size("guess_ea")}),
            (std::vector<std::int64_t>{8 * 16, 8 * 4}));
}

TEST_F(GuessOptionsTest, PrintedOrbitalsReadBackAsTheGuessGroup) {
  constexpr int n = 3;
  const double c[n * n] = {0.9, 0.1, -0.2, 0.3, -0.8, 0.4, 0.05, 0.45, 0.7};
  const double e[n] = {-1.25, -0.5, 0.375};
  const std::string printed = testing::captured_stdout([&] { print_vectors_ce("", "a", e, c, n); });
  read("$guess read=-1 $end\n" + printed, n, 1);
  const std::vector<double> ca = testing::get_reals("guess_Ca"), cb = testing::get_reals("guess_Cb");
  const std::vector<double> ea = testing::get_reals("guess_ea");
  for (int k = 0; k < n * n; ++k) {
    EXPECT_NEAR(ca[k], c[k], 1e-10) << k;
    EXPECT_EQ(cb[k], ca[k]) << k;
  }
  for (int i = 0; i < n; ++i) EXPECT_NEAR(ea[i], e[i], 1e-10);
}

TEST_F(GuessOptionsTest, ErrorPaths) {
  EXPECT_FATAL(read("$guess read=-1 $end\n$ce n=5 $end", 2, 1), "n=5 outside 1..4");
  EXPECT_FATAL(read("$guess read=-1 $end\n$ce n=0 $end", 2, 1), "n=0 outside 1..4");
  EXPECT_FATAL(read("$guess na=1,2,3,4,5 $end", 2, 1), "'$guess'");  // more than 2 Nbasis
  EXPECT_FATAL(read("$guess order=1 $end", 2, 1), "unknown name order");
}

}  // namespace
}  // namespace ostrel
