#pragma once
// Whole records of reals in and out of the store, and printed text split into lines.
#include <sstream>
#include <vector>

#include "runtime/store.hpp"

namespace ostrel::testing {

// Writes `v` as record `name`, creating it when missing.
template <class T>
void put_array(const char* name, const std::vector<T>& v) {
  const auto bytes = static_cast<std::int64_t>(sizeof(T) * v.size());
  if (!store_exists(name)) store_alloc(name, bytes);
  store_write(name, 0, v.data(), bytes);
}
inline void put_reals(const char* name, const std::vector<double>& v) { put_array(name, v); }
inline void put_ints(const char* name, const std::vector<int>& v) { put_array(name, v); }

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

// How often `what` stands in `text`.
inline int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

}  // namespace ostrel::testing
