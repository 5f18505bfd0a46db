#pragma once
// An input file made from a string, for readers that take a FILE*.
#include <cstdio>
#include <string>

namespace ostrel::testing {

class InputFile {
 public:
  explicit InputFile(const std::string& text) : file_(std::tmpfile()) {
    std::fputs(text.c_str(), file_);
    std::rewind(file_);
  }
  ~InputFile() { std::fclose(file_); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

// Runs `body` with standard input pointing at `text` (the readers that read the input file).
template <class Body>
void with_stdin(const std::string& text, Body body) {
  InputFile input(text);
  std::FILE* old = stdin;
  stdin = input.get();
  try {
    body();
  } catch (...) {
    stdin = old;
    throw;
  }
  stdin = old;
}

}  // namespace ostrel::testing
