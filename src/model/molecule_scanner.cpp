#include "model/molecule_scanner.hpp"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/fatal.hpp"

namespace ostrel {
namespace {

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

void TextScanner::skip_space() {
  int c;
  while ((c = std::getc(file_)) != EOF && is_blank(c)) {
  }
  if (c != EOF) std::ungetc(c, file_);
}

int TextScanner::peek_raw() {
  int c = std::getc(file_);
  if (c != EOF) std::ungetc(c, file_);
  return c;
}

int TextScanner::peek() {
  skip_space();
  return peek_raw();
}

bool TextScanner::literal(char c) {
  if (peek() != c) return false;
  std::getc(file_);
  return true;
}

int TextScanner::word(char* out, std::size_t capacity, const char* stops) {
  skip_space();
  const long start = tell();
  std::size_t n = 0;
  int c;
  while ((c = std::getc(file_)) != EOF) {
    if (is_blank(c) || std::strchr(stops, c)) {
      std::ungetc(c, file_);
      break;
    }
    if (n + 1 >= capacity) {
      seek(start);
      out[0] = '\0';
      return -1;
    }
    out[n++] = static_cast<char>(c);
  }
  out[n] = '\0';
  return static_cast<int>(n);
}

bool TextScanner::integer(int* value) {
  skip_space();
  const long start = tell();
  char text[32];
  std::size_t n = 0;
  int c = std::getc(file_);
  if (c == '+' || c == '-') {
    text[n++] = static_cast<char>(c);
    c = std::getc(file_);
  }
  int digits = 0;
  while (c != EOF && std::isdigit(c) && n < sizeof text - 1) {
    text[n++] = static_cast<char>(c);
    ++digits;
    c = std::getc(file_);
  }
  if (c != EOF) std::ungetc(c, file_);
  text[n] = '\0';
  if (digits == 0 || std::isdigit(c)) {
    seek(start);
    return false;
  }
  errno = 0;
  long long v = std::strtoll(text, nullptr, 10);
  if (errno != 0 || v < INT_MIN || v > INT_MAX) {
    seek(start);
    return false;
  }
  *value = static_cast<int>(v);
  return true;
}

bool TextScanner::real(double* value) {
  skip_space();
  const long start = tell();
  char text[80];
  std::size_t n = 0;
  auto put = [&](int ch) {
    if (n < sizeof text - 1) text[n++] = static_cast<char>(ch);
  };
  int c = std::getc(file_);
  if (c == '+' || c == '-') {
    put(c);
    c = std::getc(file_);
  }
  int digits = 0;
  while (c != EOF && std::isdigit(c)) {
    put(c);
    ++digits;
    c = std::getc(file_);
  }
  if (c == '.') {
    put(c);
    c = std::getc(file_);
    while (c != EOF && std::isdigit(c)) {
      put(c);
      ++digits;
      c = std::getc(file_);
    }
  }
  if (digits > 0 && (c == 'e' || c == 'E' || c == 'd' || c == 'D')) {
    // The exponent counts only when digits follow it.
    const long mark = tell();
    const std::size_t keep = n;
    put('e');
    int e = std::getc(file_);
    if (e == '+' || e == '-') {
      put(e);
      e = std::getc(file_);
    }
    int exponent_digits = 0;
    while (e != EOF && std::isdigit(e)) {
      put(e);
      ++exponent_digits;
      e = std::getc(file_);
    }
    if (exponent_digits == 0) {
      n = keep;
      seek(mark - 1);
    } else if (e != EOF) {
      std::ungetc(e, file_);
    }
  } else if (c != EOF) {
    std::ungetc(c, file_);
  }
  text[n] = '\0';
  if (digits == 0 || n >= sizeof text - 1) {
    seek(start);
    return false;
  }
  double v = std::strtod(text, nullptr);
  if (!std::isfinite(v)) {
    seek(start);
    return false;
  }
  *value = v;
  return true;
}

void lower_case(char* text) {
  for (; *text; ++text) *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

bool abbreviates(const char* word, const char* key) {
  const std::size_t n = std::strlen(word);
  return n > 0 && n <= std::strlen(key) && std::strncmp(word, key, n) == 0;
}

InputSource::InputSource(const char* file, const char* fail_format) {
  if (file && file[0]) {
    owned_ = std::fopen(file, "r");
    if (!owned_) fatal_error(fail_format, file);
    in_ = owned_;
  }
  std::rewind(in_);
}

InputSource::~InputSource() {
  if (owned_) std::fclose(owned_);
}

}  // namespace ostrel
