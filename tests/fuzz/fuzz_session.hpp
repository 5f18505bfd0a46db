#pragma once
// Shared frame of the fuzz harnesses: each input becomes a file, fatal stops become
// exceptions (a clean rejection is a pass), and pool and store start fresh every time.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace ostrel::fuzz {

struct Rejected {
  std::string message;
};

// Runs `read` on a temporary file holding the data; returns false when it was rejected.
bool run_on_file(const std::uint8_t* data, std::size_t size, void (*read)(std::FILE*));

// The same with the data as standard input (readers that read the input file).
bool run_on_stdin(const std::uint8_t* data, std::size_t size, void (*read)(std::FILE*));

}  // namespace ostrel::fuzz

// The libFuzzer entry point: `read` on each input as a file (RUN = run_on_file) or as
// standard input (RUN = run_on_stdin).
#define OSTREL_FUZZ_ENTRY(RUN, read)                                                   \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    ostrel::fuzz::RUN(data, size, read);                                              \
    return 0;                                                                         \
  }
