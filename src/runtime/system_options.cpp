#include "runtime/system_options.hpp"

#include <cstdlib>
#include <cstring>

#include "input/group.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"

namespace ostrel {

SystemOptions read_system_options(std::FILE* input) {
  SystemOptions o;
  if (is_master) {
    const InputVar vars[] = {
        {"memory", IN_INT, 2, o.memory},
        {"disk", IN_INT, 1, &o.disk},
        // Only 128 bytes reach the other nodes: a longer path is refused, not cut.
        {"path", IN_TEXT, 128, o.path},
    };
    read_group(input, "system", 3, vars);
  }
  mp_bcast(o.memory, 2, MP_INT, 0);
  mp_bcast(&o.disk, 1, MP_INT, 0);
  mp_bcast(o.path, 128, MP_BYTE, 0);
  o.path[127] = '\0';
  if (o.memory[1] < 1) o.memory[1] = o.memory[0];
  if (o.path[0] == '\0') {
    const char* tmp = std::getenv("TMPDIR");
    std::strncpy(o.path, tmp ? tmp : "/tmp", 127);
    o.path[127] = '\0';
  }
  if (is_master) {
    std::printf("\n System options:\n");
    if (o.disk > 0)
      std::printf(" Memory: %d (%d) MB\n Disk:   %d GB '%s'\n\n", o.memory[0], o.memory[1],
                  o.disk, o.path);
    else
      std::printf(" Memory: %d (%d) MB + %d MB\n", o.memory[0], o.memory[1], -o.disk);
    std::fflush(stdout);
  }
  return o;
}

}  // namespace ostrel
