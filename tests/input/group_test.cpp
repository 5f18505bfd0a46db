#include "input/group.hpp"

#include <cstring>

#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

struct SystemLike {
  int memory[2] = {128, -1};
  int disk = 1;
  char path[32] = {};
  double field[3] = {0, 0, 0};

  void read(const std::string& text) {
    InputFile in(text);
    const InputVar vars[] = {
        {"memory", IN_INT, 2, memory},
        {"disk", IN_INT, 1, &disk},
        {"path", IN_TEXT, sizeof path, path},
        {"field", IN_REAL, 3, field},
    };
    read_group(in.get(), "system", 4, vars);
  }
};

SystemLike read(const std::string& text) {
  SystemLike s;
  s.read(text);
  return s;
}

TEST(GroupReader, CaseAbbreviationsListsAndSubscripts) {
  EXPECT_EQ(read("$control task=energy $end\n").memory[1], -1);  // no group: defaults stay
  EXPECT_EQ(read("text before\n$SYSTEM MEMORY=200 $END\n").memory[0], 200);
  EXPECT_EQ(read("$system mem=300 $end").memory[0], 300);
  SystemLike u = read("$system memory=300 200 disk=-200 $end");
  EXPECT_EQ((std::vector<int>{u.memory[1], u.disk}), (std::vector<int>{200, -200}));
  EXPECT_EQ(read("$system memory=300,  200 $end").memory[1], 200);
  SystemLike w = read("$system memory(2)=200 $end");
  EXPECT_EQ((std::vector<int>{w.memory[0], w.memory[1]}), (std::vector<int>{128, 200}));
  SystemLike x = read("$system field=1.5e-3,-2E2 .5 $end");
  EXPECT_EQ(std::vector<double>(x.field, x.field + 3), (std::vector<double>{1.5e-3, -200.0, 0.5}));
  // Repeated groups override element by element.
  SystemLike r = read("$system memory=500,300 disk=2 $end\nremark\n$system memory=600 $end");
  EXPECT_EQ((std::vector<int>{r.memory[0], r.memory[1], r.disk}), (std::vector<int>{600, 300, 2}));
  // An unreadable number keeps the value.
  SystemLike k = read("$system disk= memory=5 $end");
  EXPECT_EQ((std::vector<int>{k.disk, k.memory[0]}), (std::vector<int>{1, 5}));
}

TEST(GroupReader, TextValues) {
  EXPECT_STREQ(read("$system path=\"/scratch dir/with blank\" $end").path, "/scratch dir/with blank");
  EXPECT_STREQ(read("$system path = /scratch $end").path, "/scratch");
  EXPECT_STREQ(read("$system path=\"two\nlines\" $end").path, "two\nlines");
  SystemLike u;
  std::strcpy(u.path, "default");
  u.read("$system path=\"\" disk=3 $end");
  EXPECT_STREQ(u.path, "");
  EXPECT_EQ(u.disk, 3);
}

TEST(GroupReader, ErrorMessages) {
  EXPECT_FATAL(SystemLike().read("$system nonsense=1 $end"),
               "*** error in '$system' : unknown name nonsense\n");
  EXPECT_FATAL(SystemLike().read("$system memory=1.5 $end"), "unknown name .5");
  EXPECT_FATAL(SystemLike().read("$system field=1.0d0 $end"), "unknown name d0");
  EXPECT_FATAL(SystemLike().read("$system memory=1"), "*** error in '$system' : '$end' not found\n");
  EXPECT_FATAL(SystemLike().read("$system memory(2 )=1 $end"), "'$end' not found");
  EXPECT_FATAL(SystemLike().read("$system = 4 $end"), "'$end' not found");
  EXPECT_FATAL(SystemLike().read("$system memory\n=4 $end"), "unknown name memory\n");
  EXPECT_FATAL(SystemLike().read("$system path="), "*** error in '$system' reading variable 'path'\n");
  EXPECT_FATAL(SystemLike().read("$system path=\"never closed $end"), "reading variable 'path'");
}

TEST(GroupReader, NeverWritesPastTheDestination) {
  SystemLike s;
  EXPECT_FATAL(s.read("$system path=" + std::string(32, 'x') + " $end"), "reading variable 'path'");
  EXPECT_FATAL(s.read("$system path=\"" + std::string(40, 'y') + "\" $end"), "reading variable 'path'");
  EXPECT_EQ(s.path[0], '\0');
  EXPECT_FATAL(s.read("$system memory(3)=1 $end"), "reading variable 'memory'");
  EXPECT_FATAL(s.read("$system memory(0)=1 $end"), "reading variable 'memory'");
  EXPECT_FATAL(s.read("$system memory(2)=1,2 $end"), "unknown name 2");
  EXPECT_FATAL(s.read("$system disk=99999999999 $end"), "reading variable 'disk'");
  EXPECT_FATAL(s.read("$system field=1e999 $end"), "reading variable 'field'");
  // Exactly filling the count is fine; the next value is read as a name.
  SystemLike t;
  t.read("$system path=" + std::string(31, 'z') + " $end");
  EXPECT_EQ(std::string(t.path), std::string(31, 'z'));
}

TEST(GroupReader, FindGroupModes) {
  InputFile in("  $molecule\n cartesian\n $end $basis x $end");
  EXPECT_EQ(find_group(in.get(), "molecule", 0), 0);
  EXPECT_EQ(find_group(in.get(), "end", 0), 1);  // "cartesian" comes first
  EXPECT_EQ(find_group(in.get(), "basis", 1), 0);
  EXPECT_EQ(find_group(in.get(), "basis", 1), 1);
  InputFile long_word("$" + std::string(100, 'a') + " $end");
  EXPECT_EQ(find_group(long_word.get(), std::string(64, 'a').c_str(), 1), 0);
}

}  // namespace
}  // namespace ostrel
