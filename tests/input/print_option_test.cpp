#include "input/theory_class.hpp"

#include <gtest/gtest.h>

#include <string>

#include "runtime/store.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

class PrintOption : public testing::RuntimeTest {
 protected:
  int query(const std::string& text, const char* word) {
    if (store_exists("PRINT")) store_free("PRINT");
    store_put_text("PRINT", text, 128);
    return print_option("PRINT", word, 1);
  }
};

TEST_F(PrintOption, PlusJoinsWordsMinusDisablesBlankSeparatesNothing) {
  EXPECT_EQ(query("VECTORS+MOLDEN", "VECTORS"), 1);
  EXPECT_EQ(query("VECTORS+MOLDEN", "MOLDEN"), 1);
  EXPECT_EQ(query("VECTORS-ENERGIES", "VECTORS"), 1);
  EXPECT_EQ(query("VECTORS-ENERGIES", "ENERGIES"), -1);
  EXPECT_EQ(query("VECTORS MOLDEN", "MOLDEN"), 0);
  EXPECT_EQ(query("VECTORS MOLDEN", "BONDS"), 0);
}

TEST_F(PrintOption, OnlyTheFirstOccurrenceAndTheFirst64BytesCount) {
  EXPECT_EQ(query("XMOLDEN+MOLDEN", "MOLDEN"), 0);
  EXPECT_EQ(query("-MOLDEN+MOLDEN", "MOLDEN"), -1);
  EXPECT_EQ(query(std::string(63, '+') + "A", "A"), 1);
  EXPECT_EQ(query(std::string(64, '+') + "A", "A"), 0);
  EXPECT_EQ(query("", "A"), 0);
  EXPECT_EQ(query("A", ""), 0);
}

}  // namespace
}  // namespace ostrel
