#include "scf/procedure/scf_rotate.hpp"

#include <cstdint>

#include "linalg/subspace.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {

// A positive angle x moves occupied orbital i by +x along virtual a (and a by -x along i),
// the direction in which the gradient C_a^T F C_i raises the energy.
void scf_rotate() {
  timer("Plane Rotations", '-');
  {
    const ScfShape sh = scf_shape();
    const bool here = is_master;
    const std::int64_t nn = sh.square();
    PoolArray<double> x(here ? sh.nrot : 1), c(here ? nn : 1);
    PoolArray<int> pairs(here ? 2 * sh.nrot : 1);
    if (here) scf_read("scf_X", x.data(), sh.nrot);
    const int sets = sh.restricted == 0 ? 2 : 1;
    for (int spin = 0; spin < sets; ++spin) {
      std::int64_t first = -1, count = 0;
      for (int k = 0; k < sh.nblocks; ++k) {
        const RotationBlock& b = sh.block[k];
        if (b.spin != spin) continue;
        if (first < 0) first = b.offset;
        if (here) {
          int* p = pairs.data() + 2 * (b.offset - first);
          for (int i = b.o0; i < b.o1; ++i)
            for (int a = b.v0; a < b.v1; ++a) {
              *p++ = a;
              *p++ = i;
            }
        }
        count += b.size();
      }
      if (here) scf_read(spin == 0 ? "Ca" : "Cb", c.data(), nn);
      plane_rotations(c.data(), sh.n, static_cast<int>(count), pairs.data(),
                      x.data() + (first < 0 ? 0 : first));
      if (here) scf_write(spin == 0 ? "Ca" : "Cb", c.data(), nn);
    }
    if (here && sets == 1) scf_write("Cb", c.data(), nn);
  }
  timer("Plane Rotations", '+');
}

}  // namespace ostrel
