#pragma once
// Whole records of reals in and out of the store, and printed text split into lines.
#include <sstream>
#include <string>
#include <vector>

#include "runtime/store.hpp"

namespace ostrel::testing {

// Writes `v` as record `name`, creating it when missing.
inline void put_reals(const char* name, const std::vector<double>& v) {
  if (!store_exists(name)) store_alloc(name, 8 * static_cast<std::int64_t>(v.size()));
  store_write(name, 0, v.data(), 8 * static_cast<std::int64_t>(v.size()));
}

// The whole record `name` as reals.
inline std::vector<double> get_reals(const char* name) {
  std::vector<double> v(static_cast<std::size_t>(store_size(name) / 8));
  store_read(name, 0, v.data(), 8 * static_cast<std::int64_t>(v.size()));
  return v;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

}  // namespace ostrel::testing
