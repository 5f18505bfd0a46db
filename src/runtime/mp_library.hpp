#pragma once
// The message-passing library under the transfer layer. Without MPI every call is a no-op,
// the size is 1 and the rank 0.
#include <cstdint>

namespace ostrel {

void lib_init(int* argc, char*** argv);
int lib_size();
int lib_rank();
void lib_send(const void* buffer, std::int64_t count, int type, int to);
void lib_recv(void* buffer, std::int64_t count, int type, int from);
void lib_bcast(void* buffer, std::int64_t count, int type, int root);
void lib_reduce(const void* in, void* out, std::int64_t count, int type, int op, int root);
void lib_barrier();
void lib_finish();
[[noreturn]] void lib_abort();

}  // namespace ostrel
