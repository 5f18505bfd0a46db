#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

namespace ostrel {

// Offset meaning "continue at the record's cursor".
inline constexpr std::int64_t SEQUENTIAL = -1;

// Per-node dictionary of named byte records laid end to end in memory or scratch files.
// Records are created and freed in stack order; every misuse is fatal.
void store_open(const char* path, std::int64_t files);
void store_close();

void store_alloc(const char* name, std::int64_t size);
void store_write(const char* name, std::int64_t offset, const void* buffer, std::int64_t size);
void store_read(const char* name, std::int64_t offset, void* buffer, std::int64_t size);
void store_skip(const char* name, std::int64_t offset, std::int64_t size);
int store_exists(const char* name);
void store_free(const char* name);
void store_copy(const char* to, const char* from, std::int64_t to_offset,
                std::int64_t from_offset, std::int64_t size);
void store_usage(int* peak_kb, int* written_kb, int* read_kb);

// Size of a record in bytes, or -1 when it does not exist.
std::int64_t store_size(const char* name);
// 1 when `name` is the record created last (the one store_free may delete), else 0.
int store_is_last(const char* name);
// This node's scratch directory (the "path" option, "TMPDIR" or /tmp when none was given);
// files that must outlive the run are kept there.
std::string store_directory();

// Typed helpers over the byte records.
template <class T>
void store_put(const char* name, const T& value, std::int64_t offset = 0) {
  static_assert(std::is_trivially_copyable_v<T>);
  store_write(name, offset, &value, sizeof(T));
}
template <class T>
T store_get(const char* name, std::int64_t offset = 0) {
  static_assert(std::is_trivially_copyable_v<T>);
  T value;
  store_read(name, offset, &value, sizeof(T));
  return value;
}
template <class T>
void store_put_array(const char* name, std::span<const T> values, std::int64_t offset = 0) {
  store_write(name, offset, values.data(), static_cast<std::int64_t>(values.size_bytes()));
}
template <class T>
void store_get_array(const char* name, std::span<T> values, std::int64_t offset = 0) {
  store_read(name, offset, values.data(), static_cast<std::int64_t>(values.size_bytes()));
}
// Text records are fixed-size byte fields padded with zeros.
void store_put_text(const char* name, const std::string& text, std::int64_t field_size);
std::string store_get_text(const char* name);

// Empties the dictionary and zeroes the totals but keeps the backing (tests, fuzzers).
void store_clear();

// Testing hook: bytes per scratch file (the program keeps 1 GB).
void store_set_piece_size(std::int64_t bytes);

}  // namespace ostrel
