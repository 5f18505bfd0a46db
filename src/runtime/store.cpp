#include "runtime/store.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store_backing.hpp"

namespace ostrel {
namespace {

constexpr int kMaxRecords = 4095;
constexpr int kCache = 8;
constexpr int kNameBytes = 16;

struct Dictionary {
  int count = 0;
  char names[kMaxRecords][kNameBytes];
  std::int64_t bounds[kMaxRecords + 1];  // record i spans bounds[i] .. bounds[i+1]
  std::int64_t cursor[kMaxRecords];
  int cache[kCache] = {-1, -1, -1, -1, -1, -1, -1, -1};
  std::int64_t peak = 0;
  std::int64_t written = 0;
  std::int64_t read = 0;
};

Dictionary dic;

struct Key {
  char bytes[kNameBytes];
  explicit Key(const char* name) {
    std::memset(bytes, 0, sizeof bytes);
    for (int i = 0; i < kNameBytes && name[i]; ++i) bytes[i] = name[i];
  }
};

// Shows a 16-byte name as text even when it fills all 16 bytes.
struct Shown {
  char text[kNameBytes + 1];
  explicit Shown(const char* name) {
    int i = 0;
    for (; i < kNameBytes && name[i]; ++i) text[i] = name[i];
    text[i] = '\0';
  }
};

int lookup(const char* name) {
  Key key(name);
  for (int k = 0; k < kCache; ++k) {
    int i = dic.cache[k];
    if (i >= 0 && i < dic.count && std::memcmp(dic.names[i], key.bytes, kNameBytes) == 0) {
      for (int j = k; j > 0; --j) dic.cache[j] = dic.cache[j - 1];
      dic.cache[0] = i;
      return i;
    }
  }
  for (int i = 0; i < dic.count; ++i) {
    if (std::memcmp(dic.names[i], key.bytes, kNameBytes) == 0) {
      for (int j = kCache - 1; j > 0; --j) dic.cache[j] = dic.cache[j - 1];
      dic.cache[0] = i;
      return i;
    }
  }
  return -1;
}

// Creates a record at the end of the store; `by_write` selects the messages of store_write.
int create(const char* name, std::int64_t size, bool by_write) {
  if (dic.count + 1 > kMaxRecords) {
    if (by_write) fatal_error("\n max dic?\n");
    fatal_error("\n%d: max dic?\n", node_id);
  }
  int n = dic.count;
  std::int64_t start = dic.bounds[n];
  // Checked before the record is entered so that a failed creation leaves no trace.
  if (size < 0 || size > backing_capacity() - start) {
    std::int64_t end = start + (size < 0 ? 0 : size);
    Shown shown(name);
    if (by_write)
      fatal_error("\n%d: out of disk space (%s), %lldMB\n", node_id, shown.text,
                  static_cast<long long>(end >> 20));
    fatal_error("\n%d: out of disk space (%s), %lldKB\n", node_id, shown.text,
                static_cast<long long>(end >> 10));
  }
  Key key(name);
  std::memcpy(dic.names[n], key.bytes, kNameBytes);
  dic.cursor[n] = 0;
  dic.bounds[n + 1] = start + size;
  dic.count = n + 1;
  if (dic.bounds[n + 1] > dic.peak) dic.peak = dic.bounds[n + 1];
  return n;
}

// Resolves the offset of a transfer and checks that it stays inside the record.
std::int64_t place(int i, std::int64_t offset, std::int64_t size, const char* name, bool write) {
  if (offset < 0) offset = dic.cursor[i];
  std::int64_t length = dic.bounds[i + 1] - dic.bounds[i];
  bool inside = size >= 0 && offset <= length && size <= length - offset;
  if (!inside) {
    Shown shown(name);
    fatal_error(write ? "\n%d: write %s(%lld:%lld)?\n" : "\n%d: read  %s(%lld:%lld)\n", node_id,
                shown.text, static_cast<long long>(offset),
                static_cast<long long>(offset + size));
  }
  dic.cursor[i] = offset + size;
  return dic.bounds[i] + offset;
}

}  // namespace

void store_open(const char* path, std::int64_t files) {
  backing_open(path, files);
  store_clear();
}

void store_clear() {
  dic.count = 0;
  dic.bounds[0] = 0;
  for (int& c : dic.cache) c = -1;
  dic.peak = dic.written = dic.read = 0;
}

void store_close() {
  backing_close();
  dic.count = 0;
}

void store_alloc(const char* name, std::int64_t size) {
  int i = lookup(name);
  if (i < 0) {
    create(name, size, false);
    return;
  }
  std::int64_t stored = dic.bounds[i + 1] - dic.bounds[i];
  if (stored != size) {
    Shown shown(name);
    fatal_error("\n%d: size('%s')=%lld (%lld)\n", node_id, shown.text,
                static_cast<long long>(size), static_cast<long long>(stored));
  }
}

void store_write(const char* name, std::int64_t offset, const void* buffer, std::int64_t size) {
  int i = lookup(name);
  if (i < 0) {
    if (offset != 0) {
      Shown shown(name);
      fatal_error("%d: write '%s'?\n", node_id, shown.text);
    }
    i = create(name, size, true);
  }
  std::int64_t position = place(i, offset, size, name, true);
  backing_write(position, buffer, size, name);
  dic.written += size;
}

void store_read(const char* name, std::int64_t offset, void* buffer, std::int64_t size) {
  int i = lookup(name);
  if (i < 0) {
    Shown shown(name);
    fatal_error("\n%d: read '%s'\n", node_id, shown.text);
  }
  std::int64_t position = place(i, offset, size, name, false);
  backing_read(position, buffer, size, name);
  dic.read += size;
}

void store_skip(const char* name, std::int64_t offset, std::int64_t size) {
  int i = lookup(name);
  if (i < 0) {
    Shown shown(name);
    fatal_error("\n%d: read '%s'\n", node_id, shown.text);
  }
  dic.cursor[i] = (offset < 0 ? dic.cursor[i] : offset) + size;
}

int store_exists(const char* name) { return lookup(name) >= 0 ? 1 : 0; }

void store_free(const char* name) {
  int i = lookup(name);
  if (i < 0 || i != dic.count - 1) {
    Shown shown(name);
    char head[64];
    std::snprintf(head, sizeof head, "\n%d: free '%s' ?\n", node_id, shown.text);
    std::string text = head;
    for (int k = i < 0 ? 0 : i; k < dic.count; ++k) {
      Shown listed(dic.names[k]);
      char line[64];
      std::snprintf(line, sizeof line, " %d %16s\n", k, listed.text);
      text += line;
    }
    fatal_error("%s", text.c_str());
  }
  dic.count = i;
}

void store_copy(const char* to, const char* from, std::int64_t to_offset,
                std::int64_t from_offset, std::int64_t size) {
  PoolArray<char> block(size);
  store_read(from, from_offset, block.data(), size);
  store_write(to, to_offset, block.data(), size);
}

void store_usage(int* peak_kb, int* written_kb, int* read_kb) {
  *peak_kb = static_cast<int>(dic.peak / 1024);
  *written_kb = static_cast<int>(dic.written / 1024);
  *read_kb = static_cast<int>(dic.read / 1024);
}

std::int64_t store_size(const char* name) {
  int i = lookup(name);
  return i < 0 ? -1 : dic.bounds[i + 1] - dic.bounds[i];
}

int store_is_last(const char* name) {
  const int i = lookup(name);
  return i >= 0 && i == dic.count - 1 ? 1 : 0;
}

std::string store_directory() {
  std::string dir = backing_directory();
  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    dir = tmp && tmp[0] ? tmp : "/tmp";
  }
  return dir;
}

void store_put_text(const char* name, const std::string& text, std::int64_t field_size) {
  PoolArray<char> field(field_size);
  std::memset(field.data(), 0, static_cast<std::size_t>(field_size));
  std::memcpy(field.data(), text.data(),
              std::min<std::size_t>(text.size(), static_cast<std::size_t>(field_size - 1)));
  store_write(name, 0, field.data(), field_size);
}

std::string store_get_text(const char* name) {
  std::int64_t size = store_size(name);
  if (size < 0) store_read(name, 0, nullptr, 0);  // the missing-record message
  PoolArray<char> field(size + 1);
  store_read(name, 0, field.data(), size);
  field[size] = '\0';
  return std::string(field.data());
}

void store_set_piece_size(std::int64_t bytes) { backing_set_piece_size(bytes); }

}  // namespace ostrel
