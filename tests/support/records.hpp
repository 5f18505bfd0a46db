#pragma once
// Whole records of reals in and out of the store, and printed text split into lines.
#include <sstream>
#include <vector>

#include "runtime/store.hpp"

namespace ostrel::testing {

// Writes `v` as record `name`, creating it when missing.
inline void put_reals(const char* name, const std::vector<double>& v) {
  if (!store_exists(name)) store_alloc(name, 8 * static_cast<std::int64_t>(v.size()));
  store_write(name, 0, v.data(), 8 * static_cast<std::int64_t>(v.size()));
}

// The whole record `name` as values of type T.
template <class T>
std::vector<T> get_array(const char* name) {
  std::vector<T> v(static_cast<std::size_t>(store_size(name)) / sizeof(T));
  store_read(name, 0, v.data(), static_cast<std::int64_t>(sizeof(T) * v.size()));
  return v;
}
inline std::vector<double> get_reals(const char* name) { return get_array<double>(name); }
// `count` reals of record `name` from real number `offset` on.
inline std::vector<double> get_reals(const char* name, std::int64_t count, std::int64_t offset = 0) {
  std::vector<double> v(static_cast<std::size_t>(count));
  store_read(name, 8 * offset, v.data(), 8 * count);
  return v;
}
inline std::vector<int> get_ints(const char* name) { return get_array<int>(name); }

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

}  // namespace ostrel::testing
