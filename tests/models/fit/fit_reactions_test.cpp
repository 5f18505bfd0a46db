// The reaction list of a parameter fit: entries, defaults and the stops on bad lines.

#include "models/fit/fit_set.hpp"
#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel::testing {
namespace {

class FitReactions : public RuntimeTest {
 protected:
  std::vector<FitReaction> read(const std::string& group, std::string* printed = nullptr) {
    InputFile in("$file\n$end\n" + group);
    std::vector<FitReaction> list;
    const std::string out = captured_stdout([&] { list = fit_read_reactions(in.get(), set_); });
    if (printed) *printed = out;
    return list;
  }
  std::vector<FitMolecule> set_{named("methanol"), named("formaldehyde"), named("hydrogen")};

 private:
  static FitMolecule named(const char* name) {
    FitMolecule m;
    m.name = name;
    return m;
  }
};

TEST_F(FitReactions, ReadsEntriesAndWeights) {
  EXPECT_TRUE(read("").empty());
  std::string printed;
  const std::vector<FitReaction> list = read(
      "$reactions\n # dehydrogenation\n dehydro E=0.035 w=2\n  methanol c=-1\n  formaldehyde C=1\n  hydrogen c=1\n"
      " swap e=0\n  hydrogen c=0.5\n$end\n",
      &printed);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "dehydro");
  EXPECT_EQ((std::vector<double>{list[0].energy, list[0].weight, list[1].weight}), (std::vector<double>{0.035, 2, 1}));
  EXPECT_EQ(list[0].molecule, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(list[0].c, (std::vector<double>{-1.0, 1.0, 1.0}));
  EXPECT_EQ(list[1].molecule, (std::vector<int>{2}));
  EXPECT_NE(printed.find("\n reactions:\n react.    1      dehydro  E=  0.03500000\n"), std::string::npos);
}

TEST_F(FitReactions, BadLinesStop) {
  EXPECT_FATAL(read("$reactions\n methanol c=1\n$end\n"), "\n $reactions: ' methanol c=1'?\n");
  EXPECT_FATAL(read("$reactions\n r E=1\n ethanol c=1\n$end\n"), "\n reaction r: molecule ethanol is not in $file\n");
  EXPECT_FATAL(read("$reactions\n r E=1\n$end\n"), "\n reaction r has no molecules\n");
}

}  // namespace
}  // namespace ostrel::testing
