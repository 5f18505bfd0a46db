#include <cstdint>

#include "linalg/vector_ops.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"
#include "scf/procedure/scf_state.hpp"
#include "scf/procedure/scf_steps.hpp"

namespace ostrel {

void scf_density() {
  timer("Density Matrix", '-');
  {
    const ScfShape sh = scf_shape();
    const bool here = is_master;
    const std::int64_t t = sh.packed();
    PoolArray<double> c(here ? sh.square() : 1), da(here ? t : 1), db(here ? t : 1);
    if (here) scf_read("Ca", c.data(), sh.square());
    scf_gemm(sh.n, sh.n, sh.na, 1.0, c.data(), kN, c.data(), kT, 0.0, da.data(), true);
    if (sh.closed) {
      if (here) vec_copy(t, da.data(), db.data());
    } else {
      if (here) scf_read("Cb", c.data(), sh.square());
      scf_gemm(sh.n, sh.n, sh.nb, 1.0, c.data(), kN, c.data(), kT, 0.0, db.data(), true);
    }
    if (here) {
      scf_write("Da", da.data(), t);
      scf_write("Db", db.data(), t);
      vec_axpy(t, 1.0, db.data(), da.data());
      scf_write("D", da.data(), t);
    }
  }
  timer("Density Matrix", '+');
}

}  // namespace ostrel
