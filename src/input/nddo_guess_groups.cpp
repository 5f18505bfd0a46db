#include "input/nddo_guess_groups.hpp"

#include <cstdint>

#include "input/group.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

constexpr int kSlotsPerAtom = 16;

void read_order(std::FILE* input, int m) {
  PoolArray<int> order(m);
  for (int i = 0; i < m; ++i) order[i] = i + 1;
  const InputVar vars[] = {{"n", IN_INT, m, order.data()}};
  read_group(input, "order", 1, vars);
  for (int i = 0; i < m; ++i) order[i] -= 1;
  record_write(rec::guess_na, order.span());
}

void read_orbitals(std::FILE* input, int m) {
  PoolArray<double> c(static_cast<std::int64_t>(m) * m);
  PoolArray<double> e(m);
  for (double& x : c) x = 0;
  for (double& x : e) x = 0;
  int n = m;
  const InputVar vars[] = {
      {"n", IN_INT, 1, &n},
      {"c", IN_REAL, m * m, c.data()},
      {"e", IN_REAL, m, e.data()},
  };
  read_group(input, "ce", 3, vars);
  if (n < 0 || n > m) fatal_error("*** error in '$ce' : n=%d outside 0..%d\n", n, m);
  record_put(rec::guess_nc, n);
  record_write(rec::guess_Ca, c.data(), std::int64_t{n} * n);
  record_write(rec::guess_ea, e.data(), n);
}

}  // namespace

void read_nddo_guess_groups(std::FILE* input) {
  if (!is_master) return;
  const int m = kSlotsPerAtom * record_field(rec::Natom, &PerStructure::whole);
  read_order(input, m);
  read_orbitals(input, m);
}

}  // namespace ostrel
