#include "runtime/message_passing.hpp"

#include <cstring>

#include "runtime/clock.hpp"
#include "runtime/mp_library.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

constexpr std::int64_t kPieceBytes = 65536;

struct Statistics {
  int sent = 0;
  int received = 0;
  std::int64_t bytes_sent = 0;
  std::int64_t bytes_received = 0;
  double send_time = 0;
  double receive_time = 0;
};

Statistics stats;
alignas(64) char scratch[kPieceBytes];
bool aborting = false;

int element_size(int type) {
  switch (type) {
    case MP_INT: return 4;
    case MP_DOUBLE: return 8;
    case MP_INT64: return 8;
    default: return 1;
  }
}

void add_elements(char* into, const char* from, std::int64_t n, int type) {
  switch (type) {
    case MP_INT: {
      auto* a = reinterpret_cast<std::int32_t*>(into);
      auto* b = reinterpret_cast<const std::int32_t*>(from);
      for (std::int64_t i = 0; i < n; ++i) a[i] += b[i];
      break;
    }
    case MP_DOUBLE: {
      auto* a = reinterpret_cast<double*>(into);
      auto* b = reinterpret_cast<const double*>(from);
      for (std::int64_t i = 0; i < n; ++i) a[i] += b[i];
      break;
    }
    case MP_INT64: {
      auto* a = reinterpret_cast<std::int64_t*>(into);
      auto* b = reinterpret_cast<const std::int64_t*>(from);
      for (std::int64_t i = 0; i < n; ++i) a[i] += b[i];
      break;
    }
    default:
      for (std::int64_t i = 0; i < n; ++i) into[i] = static_cast<char>(into[i] + from[i]);
  }
}

// 64-bit sums go through explicit messages so that they are exact and in node order.
void sum_int64_piece(char* piece, std::int64_t n, int root) {
  if (node_id == root) {
    for (int k = 0; k < node_count; ++k) {
      if (k == root) continue;
      lib_recv(scratch, n, MP_INT64, k);
      add_elements(piece, scratch, n, MP_INT64);
    }
  } else {
    lib_send(piece, n, MP_INT64, root);
  }
}

void reduce_piece(char* piece, std::int64_t n, int type, int op, int root) {
  int size = element_size(type);
  lib_reduce(piece, scratch, n, type, op, root);
  if (node_id == root) std::memcpy(piece, scratch, static_cast<std::size_t>(n * size));
}

}  // namespace

void mp_transfer(void* buffer, std::int64_t count, int type, int node, int op) {
  if (op == 'i') {
    MpStats s = mp_stats();
    std::memcpy(buffer, &s, sizeof s);
    return;
  }
  if (op == 0) {
    stats = Statistics{};
    return;
  }
  if (node_count == 1) return;
  if (op != '+' && op != '<' && op != 'b' && op != 's' && op != 'r') return;
  if (type < 0 || type > 3) type = MP_BYTE;
  int size = element_size(type);
  std::int64_t piece_len = kPieceBytes / size;
  int root = op == '<' ? 0 : node;
  double t0 = cpu_time();
  char* data = static_cast<char*>(buffer);
  for (std::int64_t done = 0; done < count; done += piece_len) {
    std::int64_t n = count - done < piece_len ? count - done : piece_len;
    char* piece = data + done * size;
    switch (op) {
      case 's': lib_send(piece, n, type, node); break;
      case 'r': lib_recv(piece, n, type, node); break;
      case 'b': lib_bcast(piece, n, type, root); break;
      case '+':
        if (type == MP_INT64)
          sum_int64_piece(piece, n, root);
        else
          reduce_piece(piece, n, type, op, root);
        break;
      case '<': reduce_piece(piece, n, type, op, root); break;
    }
  }
  double elapsed = cpu_time() - t0;
  bool sending = op == 's' || (op == 'b' && node_id == root) ||
                 ((op == '+' || op == '<') && node_id != root);
  std::int64_t bytes = static_cast<std::int64_t>(size) * count;
  if (sending) {
    stats.sent += 1;
    stats.bytes_sent += bytes;
    stats.send_time += elapsed;
  } else {
    stats.received += 1;
    stats.bytes_received += bytes;
    stats.receive_time += elapsed;
  }
}

MpStats mp_stats() {
  return MpStats{stats.sent, stats.received, static_cast<int>(stats.bytes_sent / 1024),
                 static_cast<int>(stats.bytes_received / 1024), stats.send_time,
                 stats.receive_time};
}

void mp_start(int* argc, char*** argv) {
  lib_init(argc, argv);
  node_count = lib_size();
  node_id = lib_rank();
  is_master = node_id == 0 ? 1 : 0;
  wall_time();
  stats = Statistics{};
}

void mp_finish() {
  if (aborting && node_count > 1) lib_abort();
  lib_finish();
}

void mp_abort() { lib_abort(); }

void barrier() {
  if (node_count > 1) lib_barrier();
}

bool mp_aborting() { return aborting; }
void mp_set_aborting() { aborting = true; }

}  // namespace ostrel
