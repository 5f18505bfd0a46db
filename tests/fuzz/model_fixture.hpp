#pragma once
// A fixed molecule (water, an iodine, a CH fragment, a ghost centre) for the library readers.
#include <cstdio>
#include <cstring>

#include "model/molecule_input.hpp"
#include "runtime/store.hpp"

namespace ostrel::fuzz {

inline void read_fixed_molecule() {
  static const char text[] =
      "$molecule\n cartesian\n 8 0.0 0.0 0.0\n 1 0.0 0.757 -0.586\n 1 0.0 -0.757 -0.586\n"
      " 53 3.0 0.0 0.0\n 6 5.0 0.0 0.0\n 1 5.6 0.9 0.0\n 0 6.0 1.0 0.0\n$end\n";
  std::FILE* f = fmemopen(const_cast<char*>(text), std::strlen(text), "r");
  std::FILE* saved = stdin;
  stdin = f;
  store_put<int>("point", 1);
  int failed = read_molecule("Molecule", "", "molecule", 1, 0);
  stdin = saved;
  // The fixture itself must read, or every run would stop here and fuzz nothing.
  if (failed) __builtin_trap();
  std::fclose(f);
}

}  // namespace ostrel::fuzz
