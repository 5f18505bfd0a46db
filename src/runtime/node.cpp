#include "runtime/node.hpp"

namespace ostrel {

int node_count = 1;
int node_id = 0;
int is_master = 1;

}  // namespace ostrel
