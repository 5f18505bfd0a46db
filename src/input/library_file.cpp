#include "input/library_file.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace ostrel {
namespace {

bool readable(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

std::string executable_directory() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string path(buffer, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string shipped_library_path(const std::string& key) {
  std::string candidates[3];
  std::string exe = executable_directory();
  if (!exe.empty()) candidates[0] = exe + "/../share/ostrel/basis/" + key;
#ifdef OSTREL_DATA_DIR
  candidates[1] = std::string(OSTREL_DATA_DIR) + "/basis/" + key;
#endif
#ifdef OSTREL_SOURCE_DIR
  candidates[2] = std::string(OSTREL_SOURCE_DIR) + "/data/basis/" + key;
#endif
  for (const std::string& c : candidates)
    if (readable(c)) return c;
  return {};
}

std::string library_file_name(const std::string& key) {
  if (key.empty()) return key;
  if (const char* dir = std::getenv("basis")) {
    // An absolute name needs no directory in front of it.
    return key.front() == '/' ? key : std::string(dir) + "/" + key;
  }
  if (readable(key) || key.front() == '/') return key;
  std::string shipped = shipped_library_path(key);
  return shipped.empty() ? key : shipped;
}

}  // namespace ostrel
