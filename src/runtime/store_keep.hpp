#pragma once
// Records that outlive the run. The store's own files are deleted at exit, so a task that is
// continued by a later run keeps the records it needs in a file of its own, normally in
// store_directory(), and loads them back there.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrel {

// FNV-1a hash of a record's name, size and bytes (size -1 when it is missing), continuing
// `hash` (start with kChecksumStart).
inline constexpr std::uint64_t kChecksumStart = 14695981039346656037ull;
std::uint64_t store_checksum(const char* name, std::uint64_t hash);
std::uint64_t checksum_bytes(const void* data, std::size_t size, std::uint64_t hash);

// Copies the whole of `from` into `to`, which is created at that size when missing and must
// have it when it exists. Nothing happens when `from` is missing.
void store_copy_record(const char* to, const char* from);

// Writes those of the `n` records `names` that exist to `path`, tagged with `key`, through a
// temporary file (a run killed while writing leaves the previous file). Fatal when the file
// cannot be written.
void store_keep_records(const std::string& path, std::uint64_t key, const char* const* names, int n);

// Loads the records of a file written with the same key: 1 when loaded, 0 when there is no
// file, -1 when the file is not one of those records (another key, damaged, a record not
// among `names` or of another size than the store's): the store is then left unchanged.
int store_restore_records(const std::string& path, std::uint64_t key, const char* const* names, int n);

}  // namespace ostrel
