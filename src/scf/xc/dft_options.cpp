#include "scf/xc/dft_options.hpp"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "input/group.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

DftOptions dft_read_options(std::FILE* input, const char* default_name) {
  char name[64] = "";
  double p[32] = {};
  std::int32_t n[5] = {};
  const InputVar vars[] = {
      {"functional", IN_TEXT, sizeof name, name},
      {"p", IN_REAL, 32, p},
      {"n", IN_INT, 5, n},
  };
  read_group(input, "dft", 3, vars);

  DftOptions options{};
  std::snprintf(options.name, sizeof options.name, "%s", name[0] ? name : default_name);
  for (char* c = options.name; *c; ++c)
    *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  options.functional = xc_cleared(p, n);
  if (!xc_lookup(options.name, options.functional)) fatal_error("\n unknown '%s'\n", options.name);
  return options;
}

}  // namespace ostrel
