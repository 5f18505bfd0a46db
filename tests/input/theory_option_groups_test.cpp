#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/common_setup.hpp"
#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

class TheoryOptionGroups : public testing::RuntimeTest {
 protected:
  template <class T>
  std::vector<T> values(const char* name) {
    std::vector<T> v(static_cast<std::size_t>(store_size(name)) / sizeof(T));
    store_get_array<T>(name, std::span<T>(v));
    return v;
  }
};

TEST_F(TheoryOptionGroups, CiIterationsDefaultToTheScfLimit) {
  const int scf_iterations[2] = {16, 16};
  store_write("iterations", 0, scf_iterations, sizeof scf_iterations);
  InputFile input("$ci ndiis=3 ecut=1e-6 $end");
  read_ci_options(input.get());
  EXPECT_EQ(values<int>("ci_ndiis"), (std::vector<int>{3, 8}));
  EXPECT_EQ(store_get<int>("ci_Niter"), 16);
  EXPECT_EQ(store_get<int>("ci_v4"), 0);
  EXPECT_EQ(store_get<double>("ci_ecut"), 1e-6);
  EXPECT_EQ(store_size("ci_Niter"), 4);
}

TEST_F(TheoryOptionGroups, SemiEmpiricalOrderAndOrbitals) {
  store_put("Natom", 1);
  InputFile input("$order n=2,1 $end\n$ce n=2 c=1,2,3,4,99 e=-1,-2,-3 $end");
  read_nddo_guess_groups(input.get());
  std::vector<int> order = values<int>("guess_na");
  ASSERT_EQ(order.size(), 16u);  // 16 orbital slots per atom
  EXPECT_EQ(order[0], 1);
  EXPECT_EQ(order[1], 0);
  EXPECT_EQ(order[15], 15);
  EXPECT_EQ(store_get<int>("guess_nc"), 2);
  EXPECT_EQ(values<double>("guess_Ca"), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(values<double>("guess_ea"), (std::vector<double>{-1, -2}));
  InputFile too_many("$ce n=17 $end");
  EXPECT_FATAL(read_nddo_guess_groups(too_many.get()), "n=17 outside 0..16");
}

TEST_F(TheoryOptionGroups, SemiEmpiricalOrbitalsDefaultToAllSlots) {
  store_put("Natom", 2);
  InputFile input("");
  read_nddo_guess_groups(input.get());
  EXPECT_EQ(store_get<int>("guess_nc"), 32);
  EXPECT_EQ(store_size("guess_Ca"), 8 * 32 * 32);
}

}  // namespace
}  // namespace ostrel
