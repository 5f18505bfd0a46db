#pragma once
// The byte space behind the named store: one memory block or a chain of scratch files.
#include <cstdint>
#include <string>

namespace ostrel {

void backing_open(const char* path, std::int64_t files);
void backing_close();
std::int64_t backing_capacity();
// Transfers between a caller's buffer and store position `position`; `record` names the
// record in error messages.
void backing_write(std::int64_t position, const void* buffer, std::int64_t size, const char* record);
void backing_read(std::int64_t position, void* buffer, std::int64_t size, const char* record);
void backing_set_piece_size(std::int64_t bytes);
// This node's directory of the path given at open (empty when none was given).
std::string backing_directory();
// Bytes still free on the file system of the scratch files (no limit for a memory store):
// the files grow as records are written, so their count alone does not promise the room.
std::int64_t backing_disk_free();

}  // namespace ostrel
