#include "fuzz_session.hpp"

#include <cstring>

#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

namespace ostrel::fuzz {
namespace {

void throw_rejected(const std::string& message) { throw Rejected{message}; }

void start_once() {
  static bool started = false;
  if (started) return;
  started = true;
  pool_init(std::int64_t{64} << 20);
  store_open("", -8);
  set_fatal_hook(throw_rejected);
  // Rejection messages would flood the fuzzer's output.
  std::freopen("/dev/null", "w", stdout);
}

std::FILE* file_with(const std::uint8_t* data, std::size_t size) {
  // A private copy: the readers may not assume a terminating zero.
  static std::string copy;
  copy.assign(reinterpret_cast<const char*>(data), size);
  if (copy.empty()) copy = "\n";  // an in-memory file cannot be empty
  return fmemopen(copy.data(), copy.size(), "r");
}

// One fuzz input: a fresh dictionary, the pool back to its mark, and a rejection caught.
bool run(const std::uint8_t* data, std::size_t size, void (*read)(std::FILE*), bool as_stdin) {
  start_once();
  std::FILE* f = file_with(data, size);
  std::FILE* saved = stdin;
  if (as_stdin) stdin = f;
  void* mark = pool_alloc(0);
  store_clear();
  bool accepted = true;
  try {
    read(f);
  } catch (const Rejected&) {
    accepted = false;
  }
  pool_release(mark);
  stdin = saved;
  std::fclose(f);
  return accepted;
}

}  // namespace

bool run_on_file(const std::uint8_t* data, std::size_t size, void (*read)(std::FILE*)) {
  return run(data, size, read, false);
}

bool run_on_stdin(const std::uint8_t* data, std::size_t size, void (*read)(std::FILE*)) {
  return run(data, size, read, true);
}

}  // namespace ostrel::fuzz
