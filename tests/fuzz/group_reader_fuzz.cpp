// The group reader with a table of every variable kind and size; the guards around each
// destination catch any write past its count.
#include <cstring>
#include <initializer_list>

#include "fuzz_session.hpp"
#include "input/group.hpp"

namespace {

struct Guarded {
  char text2[2];
  char guard1[8];
  char text16[16];
  char guard2[8];
  int ints[3];
  char guard3[8];
  int one;
  char guard4[8];
  double reals[4];
  char guard5[8];
  char text128[128];
  char guard6[8];
};

void check_guard(const char* g) {
  for (int i = 0; i < 8; ++i)
    if (g[i] != 'G') __builtin_trap();
}

void read(std::FILE* f) {
  Guarded v;
  std::memset(&v, 0, sizeof v);
  for (char* g : {v.guard1, v.guard2, v.guard3, v.guard4, v.guard5, v.guard6}) std::memset(g, 'G', 8);
  const ostrel::InputVar vars[] = {
      {"fit", ostrel::IN_TEXT, 2, v.text2},      {"name", ostrel::IN_TEXT, 16, v.text16},
      {"list", ostrel::IN_INT, 3, v.ints},       {"lone", ostrel::IN_INT, 1, &v.one},
      {"reals", ostrel::IN_REAL, 4, v.reals},    {"path", ostrel::IN_TEXT, 128, v.text128},
  };
  struct Check {
    Guarded& v;
    ~Check() {
      for (char* g : {v.guard1, v.guard2, v.guard3, v.guard4, v.guard5, v.guard6}) check_guard(g);
    }
  } check{v};
  ostrel::read_group(f, "group", 6, vars);
  ostrel::find_group(f, "end", 0);
}

}  // namespace

OSTREL_FUZZ_ENTRY(run_on_file, read)
