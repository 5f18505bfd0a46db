#include "scf/procedure/scf_orthonormalize.hpp"

#include <cstdint>

#include "linalg/subspace.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {

void scf_orthonormalize() {
  timer("Orthogonalization", '-');
  {
    const ScfShape sh = scf_shape();
    const bool here = is_master;
    PoolArray<double> s(here ? sh.packed() : 1), c(here ? sh.square() : 1);
    if (here) scf_read("S", s.data(), sh.packed());
    const char* sets[2] = {"Ca", "Cb"};
    for (int spin = 0; spin < (sh.restricted == 0 ? 2 : 1); ++spin) {
      if (here) scf_read(sets[spin], c.data(), sh.square());
      orthonormalize(s.data(), c.data(), sh.n, sh.n);
      if (here) scf_write(sets[spin], c.data(), sh.square());
    }
    if (here && sh.restricted != 0) scf_write("Cb", c.data(), sh.square());
  }
  timer("Orthogonalization", '+');
}

}  // namespace ostrel
