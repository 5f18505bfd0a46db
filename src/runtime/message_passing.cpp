#include "runtime/message_passing.hpp"

#include <cstdlib>
#include <cstring>

#ifdef OSTREL_WITH_MPI
#include <mpi.h>
#endif

#include "runtime/node.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

int node_count = 1;
int node_id = 0;
int is_master = 1;

namespace {

// The message-passing library under the transfer layer. Without MPI every call is a
// no-op, the size is 1 and the rank 0.
#ifdef OSTREL_WITH_MPI
MPI_Datatype datatype(int type) {
  switch (type) {
    case 1: return MPI_INT32_T;
    case 2: return MPI_DOUBLE;
    case 3: return MPI_INT64_T;
    default: return MPI_BYTE;
  }
}

int initialised() {
  int flag = 0;
  MPI_Initialized(&flag);
  int done = 0;
  MPI_Finalized(&done);
  return flag && !done;
}

// A process that no launcher started runs alone: the library's start-up as a singleton
// (it spawns a helper daemon) costs more wall time than a small molecule's whole SCF.
bool launched() {
  for (const char* name : {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"})
    if (std::getenv(name)) return true;
  return false;
}

// With every process on this host the messages go through shared memory, yet Open MPI's
// default start probes the PSM and OFI fabrics of its matching layer "cm" first (0.2 s
// on a machine without them). Unless the user chose a layer, leave that one out.
void skip_fabric_probes_on_one_host() {
  const char* size = std::getenv("OMPI_COMM_WORLD_SIZE");
  const char* local = std::getenv("OMPI_COMM_WORLD_LOCAL_SIZE");
  if (size && local && std::strcmp(size, local) == 0) setenv("OMPI_MCA_pml", "^cm", 0);  // 0: keep the user's
}

void lib_init(int* argc, char*** argv) {
  if (initialised() || !launched()) return;
  skip_fabric_probes_on_one_host();
  MPI_Init(argc, argv);
}
int lib_size() {
  int n = 1;
  if (initialised()) MPI_Comm_size(MPI_COMM_WORLD, &n);
  return n;
}
int lib_rank() {
  int r = 0;
  if (initialised()) MPI_Comm_rank(MPI_COMM_WORLD, &r);
  return r;
}
void lib_send(const void* buffer, std::int64_t count, int type, int to) {
  MPI_Send(buffer, static_cast<int>(count), datatype(type), to, 0, MPI_COMM_WORLD);
}
void lib_recv(void* buffer, std::int64_t count, int type, int from) {
  MPI_Recv(buffer, static_cast<int>(count), datatype(type), from, 0, MPI_COMM_WORLD,
           MPI_STATUS_IGNORE);
}
void lib_bcast(void* buffer, std::int64_t count, int type, int root) {
  MPI_Bcast(buffer, static_cast<int>(count), datatype(type), root, MPI_COMM_WORLD);
}
void lib_reduce(const void* in, void* out, std::int64_t count, int type, int op, int root) {
  MPI_Reduce(in, out, static_cast<int>(count), datatype(type), op == '<' ? MPI_MIN : MPI_SUM,
             root, MPI_COMM_WORLD);
}
void lib_barrier() {
  if (initialised()) MPI_Barrier(MPI_COMM_WORLD);
}
void lib_finish() {
  if (initialised()) MPI_Finalize();
}
[[noreturn]] void lib_abort() {
  if (initialised()) MPI_Abort(MPI_COMM_WORLD, 1);
  std::_Exit(1);
}
#else
void lib_init(int*, char***) {}
int lib_size() { return 1; }
int lib_rank() { return 0; }
void lib_send(const void*, std::int64_t, int, int) {}
void lib_recv(void*, std::int64_t, int, int) {}
void lib_bcast(void*, std::int64_t, int, int) {}
void lib_reduce(const void*, void*, std::int64_t, int, int, int) {}
void lib_barrier() {}
void lib_finish() {}
[[noreturn]] void lib_abort() { std::_Exit(1); }
#endif

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
