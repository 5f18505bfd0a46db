#include "runtime/store_backing.hpp"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

constexpr int kMaxFiles = 511;
constexpr std::int64_t kGigabyte = std::int64_t{1} << 30;

struct ScratchFile {
  char name[128];
  int fd;
  std::int64_t position;
};

struct Backing {
  bool files_mode = false;
  std::int64_t piece = kGigabyte;
  std::int64_t capacity = 0;
  char* memory = nullptr;
  int nfiles = 0;
  std::string directory;
  ScratchFile files[kMaxFiles];
};

Backing backing;
std::int64_t piece_size_for_files = kGigabyte;

// Directory of this node: entry node_id of a ":"-separated list, or the whole path.
std::string node_directory(const char* path) {
  std::string all(path);
  if (all.find(':') == std::string::npos) return all;
  std::size_t begin = 0;
  for (int k = 0; k < node_id; ++k) {
    std::size_t colon = all.find(':', begin);
    if (colon == std::string::npos) fatal_error("%d: path?\n", node_id);
    begin = colon + 1;
  }
  std::size_t end = all.find(':', begin);
  return all.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

template <bool Write>
void transfer(std::int64_t position, char* buffer, std::int64_t size, const char* record) {
  if (!backing.files_mode) {
    if (Write)
      std::memcpy(backing.memory + position, buffer, static_cast<std::size_t>(size));
    else
      std::memcpy(buffer, backing.memory + position, static_cast<std::size_t>(size));
    return;
  }
  std::int64_t file = position / backing.piece;
  std::int64_t offset = position % backing.piece;
  while (size > 0) {
    ScratchFile& f = backing.files[file];
    if (f.position != offset) {
      lseek(f.fd, static_cast<off_t>(offset - f.position), SEEK_CUR);
      f.position = offset;
    }
    std::int64_t piece = std::min(size, backing.piece - offset);
    // Large pieces may be split by the kernel; only a real shortfall is an error.
    std::int64_t done = 0;
    while (done < piece) {
      ssize_t n = Write ? ::write(f.fd, buffer + done, static_cast<std::size_t>(piece - done))
                        : ::read(f.fd, buffer + done, static_cast<std::size_t>(piece - done));
      if (n == 0 && !Write) {
        // Bytes of a record that was allocated but never written lie past the end of the
        // file: they read as zeros, as a fresh memory store would hold them.
        std::memset(buffer + done, 0, static_cast<std::size_t>(piece - done));
        ::lseek(f.fd, static_cast<off_t>(piece - done), SEEK_CUR);
        break;
      }
      if (n <= 0) {
        f.position += done;
        fatal_error("\n%d: %s file %s (%s): fd=%d buf=%p siz=%lld lpos=%lld\n", node_id,
                    Write ? "write" : "read", f.name, record, f.fd,
                    static_cast<void*>(buffer), static_cast<long long>(piece),
                    static_cast<long long>(offset));
      }
      done += n;
    }
    f.position += piece;
    buffer += piece;
    size -= piece;
    ++file;
    offset = 0;
  }
}

}  // namespace

void backing_open(const char* path, std::int64_t files) {
  backing_close();
  if (files > kMaxFiles)
    fatal_error("\n%d: too many tmp files (%lld)\n", node_id, static_cast<long long>(files));
  if (files > 0) {
    backing.files_mode = true;
    backing.piece = piece_size_for_files;
    std::string dir = node_directory(path);
    backing.directory = dir;
    for (int i = 0; i < files; ++i) {
      ScratchFile& f = backing.files[i];
      int n = std::snprintf(f.name, sizeof f.name, "%s/tmp%d.%d", dir.c_str(),
                            static_cast<int>(getpid()), i);
      if (n < 0 || n >= static_cast<int>(sizeof f.name))
        fatal_error("\n%d: opening file %s/tmp%d.%d\n", node_id, dir.c_str(),
                    static_cast<int>(getpid()), i);
      f.fd = ::open(f.name, O_RDWR | O_CREAT | O_TRUNC, 0600);
      if (f.fd < 0) fatal_error("\n%d: opening file %s\n", node_id, f.name);
      f.position = 0;
      backing.nfiles = i + 1;
    }
    backing.capacity = files * backing.piece;
  } else {
    backing.files_mode = false;
    // No scratch files, so no per-node entry is required: the first one serves.
    const std::string all(path ? path : "");
    backing.directory = all.substr(0, all.find(':'));
    std::int64_t size = -files * (std::int64_t{1} << 20);
    backing.memory = static_cast<char*>(std::malloc(static_cast<std::size_t>(size > 0 ? size : 1)));
    if (!backing.memory)
      fatal_error("%d: malloc(%lld) failed\n", node_id, static_cast<long long>(size));
    backing.piece = size;
    backing.capacity = size;
  }
}

void backing_close() {
  for (int i = 0; i < backing.nfiles; ++i) {
    ::close(backing.files[i].fd);
    ::unlink(backing.files[i].name);
  }
  backing.nfiles = 0;
  std::free(backing.memory);
  backing.memory = nullptr;
  backing.capacity = 0;
  backing.files_mode = false;
}

std::int64_t backing_capacity() { return backing.capacity; }

std::string backing_directory() { return backing.directory; }

std::int64_t backing_disk_free() {
  if (!backing.files_mode) return INT64_MAX;
  struct statvfs fs {};
  if (statvfs(backing.directory.c_str(), &fs) != 0) return INT64_MAX;
  return static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
}

void backing_write(std::int64_t position, const void* buffer, std::int64_t size, const char* record) {
  transfer<true>(position, static_cast<char*>(const_cast<void*>(buffer)), size, record);
}

void backing_read(std::int64_t position, void* buffer, std::int64_t size, const char* record) {
  transfer<false>(position, static_cast<char*>(buffer), size, record);
}

void backing_set_piece_size(std::int64_t bytes) {
  piece_size_for_files = bytes > 0 ? bytes : kGigabyte;
}

}  // namespace ostrel
