#pragma once
#include <cstdio>

namespace ostrel {

// Variable kinds of an input group table.
enum InputKind : int { IN_TEXT = 0, IN_INT = 1, IN_REAL = 2 };

// One table entry for read_group: numbers fill `count` elements of `destination`; a text
// fills at most `count` bytes (including the terminating zero).
struct InputVar {
  const char* name;
  int kind;
  int count;
  void* destination;
};

// Positions `file` behind "$name": mode 1 searches forward, mode 0 expects it next.
// Returns 0 when found, 1 when not.
int find_group(std::FILE* file, const char* name, int mode);

// Reads every occurrence of group `name` into the table and returns how many there were;
// errors are fatal.
int read_group(std::FILE* file, const char* name, int n, const InputVar* vars);

}  // namespace ostrel
