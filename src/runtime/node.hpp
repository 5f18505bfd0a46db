#pragma once
// Node globals: set once by mp_start (defined in message_passing.cpp), read everywhere.
namespace ostrel {

extern int node_count;  // processes in the run (1 without message passing)
extern int node_id;     // 0 .. node_count-1
extern int is_master;   // 1 on node 0

}  // namespace ostrel
