#include "input/group.hpp"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/fatal.hpp"

namespace ostrel {
namespace {

constexpr std::size_t kWordLimit = 64;
// Names longer than this are cut for the message; they match nothing anyway.
constexpr std::size_t kNameLimit = 256;

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

void skip_space(std::FILE* f) {
  int c;
  while ((c = std::getc(f)) != EOF && is_space(c)) {
  }
  if (c != EOF) std::ungetc(c, f);
}

// A whitespace-delimited word of at most `limit` characters (the rest stays unread).
bool read_word(std::FILE* f, std::string& word, std::size_t limit) {
  skip_space(f);
  word.clear();
  int c;
  while (word.size() < limit && (c = std::getc(f)) != EOF) {
    if (is_space(c)) {
      std::ungetc(c, f);
      break;
    }
    word.push_back(static_cast<char>(c));
  }
  return !word.empty();
}

std::string lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// Reads a number in the group syntax; on failure the file is left where it was.
bool read_number(std::FILE* f, int kind, double* real, long long* integer) {
  long start = std::ftell(f);
  skip_space(f);
  std::string text;
  int c = std::getc(f);
  if (c == '+' || c == '-') {
    text.push_back(static_cast<char>(c));
    c = std::getc(f);
  }
  int digits = 0;
  while (c != EOF && std::isdigit(c)) {
    text.push_back(static_cast<char>(c));
    ++digits;
    c = std::getc(f);
  }
  if (kind == IN_REAL) {
    if (c == '.') {
      text.push_back('.');
      c = std::getc(f);
      while (c != EOF && std::isdigit(c)) {
        text.push_back(static_cast<char>(c));
        ++digits;
        c = std::getc(f);
      }
    }
    if (digits > 0 && (c == 'e' || c == 'E')) {
      long before_exponent = std::ftell(f) - 1;
      std::string exponent = "e";
      c = std::getc(f);
      if (c == '+' || c == '-') {
        exponent.push_back(static_cast<char>(c));
        c = std::getc(f);
      }
      int exponent_digits = 0;
      while (c != EOF && std::isdigit(c)) {
        exponent.push_back(static_cast<char>(c));
        ++exponent_digits;
        c = std::getc(f);
      }
      if (exponent_digits > 0) {
        text += exponent;
      } else {
        std::fseek(f, before_exponent, SEEK_SET);
        c = std::getc(f);
      }
    }
  }
  if (c != EOF) std::ungetc(c, f);
  if (digits == 0) {
    std::fseek(f, start, SEEK_SET);
    return false;
  }
  errno = 0;
  if (kind == IN_REAL)
    *real = std::strtod(text.c_str(), nullptr);
  else
    *integer = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

void skip_separators(std::FILE* f) {
  int c;
  while ((c = std::getc(f)) == ' ' || c == ',') {
  }
  if (c != EOF) std::ungetc(c, f);
}

[[noreturn]] void reading_error(const char* group, const char* name) {
  fatal_error("*** error in '$%s' reading variable '%s'\n", group, name);
}

// Stores one number into element `index` (0-based) of the variable.
void store_number(const InputVar& v, const char* group, long long index, double real,
                  long long integer) {
  if (index < 0 || index >= v.count) reading_error(group, v.name);
  if (v.kind == IN_INT) {
    if (integer < INT_MIN || integer > INT_MAX || errno == ERANGE) reading_error(group, v.name);
    static_cast<int*>(v.destination)[index] = static_cast<int>(integer);
  } else {
    if (std::isinf(real)) reading_error(group, v.name);
    static_cast<double*>(v.destination)[index] = real;
  }
}

bool expect(std::FILE* f, int wanted) {
  int c = std::getc(f);
  if (c == wanted) return true;
  if (c != EOF) std::ungetc(c, f);
  return false;
}

void read_text(std::FILE* f, const InputVar& v, const char* group) {
  std::string value;
  bool have = false;
  skip_space(f);
  if (expect(f, '=')) {
    skip_space(f);
    if (expect(f, '"')) {
      int c;
      while ((c = std::getc(f)) != EOF && c != '"') value.push_back(static_cast<char>(c));
      if (c == '"' && !value.empty()) {
        have = true;
      } else {
        // Not a quoted text: the quote itself begins the word read below.
        if (c == '"') std::ungetc(c, f);
        value.clear();
        if (c == EOF) reading_error(group, v.name);
      }
    }
  }
  if (!have) {
    if (!read_word(f, value, static_cast<std::size_t>(-1))) reading_error(group, v.name);
    if (value[0] == '"') value.clear();
  }
  if (v.count < 1 || value.size() >= static_cast<std::size_t>(v.count))
    reading_error(group, v.name);
  char* out = static_cast<char*>(v.destination);
  std::memcpy(out, value.data(), value.size());
  out[value.size()] = '\0';
}

void read_numbers(std::FILE* f, const InputVar& v, const char* group) {
  long long index = 1;
  skip_space(f);
  if (expect(f, '(')) {
    double unused_real;
    long long subscript;
    if (!read_number(f, IN_INT, &unused_real, &subscript) || !expect(f, ')')) return;
    index = subscript;
  }
  skip_space(f);
  if (!expect(f, '=')) return;
  double real = 0;
  long long integer = 0;
  if (!read_number(f, v.kind, &real, &integer)) return;
  store_number(v, group, index - 1, real, integer);
  skip_separators(f);
  while (index < v.count) {
    if (!read_number(f, v.kind, &real, &integer)) break;
    store_number(v, group, index, real, integer);
    skip_separators(f);
    ++index;
  }
}

// The next variable name, or an empty text when none can be read.
std::string read_name(std::FILE* f) {
  skip_space(f);
  std::string name;
  int c;
  while ((c = std::getc(f)) != EOF && c != ' ' && c != '(' && c != ')' && c != '=' && c != '$')
    if (name.size() < kNameLimit) name.push_back(static_cast<char>(c));
  if (c != EOF) std::ungetc(c, f);
  return name;
}

}  // namespace

int find_group(std::FILE* file, const char* name, int mode) {
  std::string word;
  if (mode == 0) {
    skip_space(file);
    if (!expect(file, '$')) return 1;
    if (!read_word(file, word, kWordLimit)) return 1;
    return lower(word) == name ? 0 : 1;
  }
  for (;;) {
    int c;
    while ((c = std::getc(file)) != EOF && c != '$') {
    }
    if (c == EOF) return 1;
    if (read_word(file, word, kWordLimit) && lower(word) == name) return 0;
  }
}

int read_group(std::FILE* file, const char* name, int n, const InputVar* vars) {
  std::rewind(file);
  int found = 0;
  while (find_group(file, name, 1) == 0) {
    ++found;
    for (;;) {
      std::string var = lower(read_name(file));
      if (var.empty()) break;
      const InputVar* match = nullptr;
      for (int k = 0; k < n && !match; ++k)
        if (std::strncmp(vars[k].name, var.c_str(), var.size()) == 0) match = &vars[k];
      if (!match) fatal_error("*** error in '$%s' : unknown name %s\n", name, var.c_str());
      if (match->kind == IN_TEXT)
        read_text(file, *match, name);
      else
        read_numbers(file, *match, name);
    }
    if (find_group(file, "end", 0) != 0) fatal_error("*** error in '$%s' : '$end' not found\n", name);
  }
  return found;
}

}  // namespace ostrel
