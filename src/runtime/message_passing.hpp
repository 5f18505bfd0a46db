#pragma once
#include <cstdint>

namespace ostrel {

// Element types of mp_transfer.
enum MpType : int { MP_BYTE = 0, MP_INT = 1, MP_DOUBLE = 2, MP_INT64 = 3 };

// Moves or reduces `count` elements of `type` at `buffer`; `node` is the partner or root.
// Operations: 's' send, 'r' receive, 'b' broadcast, '+' sum, '<' minimum (to the master),
// 'i' statistics into buffer, 0 reset statistics. Returns at once with one node.
void mp_transfer(void* buffer, std::int64_t count, int type, int node, int op);

inline void mp_send(void* b, std::int64_t n, int type, int to) { mp_transfer(b, n, type, to, 's'); }
inline void mp_recv(void* b, std::int64_t n, int type, int from) { mp_transfer(b, n, type, from, 'r'); }
inline void mp_bcast(void* b, std::int64_t n, int type, int root = 0) { mp_transfer(b, n, type, root, 'b'); }
inline void mp_sum(void* b, std::int64_t n, int type, int root = 0) { mp_transfer(b, n, type, root, '+'); }
inline void mp_min(void* b, std::int64_t n, int type) { mp_transfer(b, n, type, 0, '<'); }

// Statistics as mp_transfer 'i' writes them.
struct MpStats {
  int messages_sent;
  int messages_received;
  int kb_sent;
  int kb_received;
  double send_time;
  double receive_time;
};
MpStats mp_stats();

void mp_start(int* argc, char*** argv);  // sets node_count, node_id, is_master
void mp_finish();                        // exit handler
[[noreturn]] void mp_abort();            // ends every node of the run
void barrier();

// True once a fatal path has begun on this node: collective clean-up is skipped.
bool mp_aborting();
void mp_set_aborting();

}  // namespace ostrel
