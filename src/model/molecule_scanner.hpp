#pragma once
#include <cstddef>
#include <cstdio>

namespace ostrel {

// Token reader for the model input groups (molecule, basis library, core potentials).
// Every read either succeeds or leaves the file where it was (blanks before the token may
// be consumed), so callers can try alternatives in turn. Words are cut at `capacity`-1
// characters: a longer word is reported as too long rather than overrunning the buffer.
class TextScanner {
 public:
  explicit TextScanner(std::FILE* file) : file_(file) {}

  void skip_space();
  // Next character after blanks and line ends, not consumed; EOF at the end.
  int peek();
  // Next character without skipping blanks.
  int peek_raw();
  // Skips blanks and line ends, then expects `c`.
  bool literal(char c);
  // A run of characters up to a blank, a line end or one of `stops`. Returns the length
  // (0: nothing readable), or -1 when the run does not fit `capacity` (nothing consumed).
  int word(char* out, std::size_t capacity, const char* stops);
  // Decimal integer with optional sign (fails on overflow of 32 bits).
  bool integer(int* value);
  // Real number: sign, digits, optional point and digits, optional exponent e/E/d/D.
  // Fails for anything that is not a finite number.
  bool real(double* value);

  long tell() const { return std::ftell(file_); }
  void seek(long position) { std::fseek(file_, position, SEEK_SET); }
  std::FILE* file() const { return file_; }

 private:
  std::FILE* file_;
};

// Lower-cases an ASCII text in place.
void lower_case(char* text);

// True when `word` is a non-empty leading part of `key`.
bool abbreviates(const char* word, const char* key);

// Where a model group is read from: the named file, closed again with this object, or
// standard input when the name is empty; rewound either way. A file that cannot be opened
// stops the run with `fail_format` (one %s: the name).
class InputSource {
 public:
  InputSource(const char* file, const char* fail_format);
  ~InputSource();
  InputSource(const InputSource&) = delete;
  InputSource& operator=(const InputSource&) = delete;
  std::FILE* get() const { return in_; }

 private:
  std::FILE* owned_ = nullptr;
  std::FILE* in_ = stdin;
};

}  // namespace ostrel
