#include "runtime/mp_library.hpp"

#include <cstdlib>

#ifdef OSTREL_WITH_MPI
#include <mpi.h>
#endif

namespace ostrel {

#ifdef OSTREL_WITH_MPI
namespace {

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

}  // namespace

void lib_init(int* argc, char*** argv) {
  if (!initialised()) MPI_Init(argc, argv);
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
void lib_abort() {
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
void lib_abort() { std::_Exit(1); }
#endif

}  // namespace ostrel
