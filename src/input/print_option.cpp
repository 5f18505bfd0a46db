#include "input/print_option.hpp"

#include <cstring>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"

namespace ostrel {

int print_option(const char* record, const char* word, int broadcast) {
  char text[65] = {};
  if (is_master) record_read(Record<char>{record}, text, 64);
  if (broadcast) mp_bcast(text, 64, MP_BYTE);
  text[64] = '\0';
  if (!word[0]) return 0;
  const char* at = std::strstr(text, word);
  if (!at) return 0;
  if (at == text) return 1;
  if (at[-1] == '-') return -1;
  if (at[-1] == '+') return 1;
  return 0;
}

}  // namespace ostrel
