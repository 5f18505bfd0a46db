#include "scf/procedure/scf_gradient.hpp"

#include <cstdint>

#include "linalg/vector_ops.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {

void scf_gradient() {
  timer("Rotation Gradient", '-');
  {
    const ScfShape sh = scf_shape();
    const bool here = is_master;
    const int n = sh.n;
    const std::int64_t t = sh.packed(), nn = sh.square();
    PoolArray<double> g(here ? sh.nrot : 1), fa(here ? t : 1), fb(here ? t : 1), f(here ? t : 1);
    PoolArray<double> c(here ? nn : 1), fc(here ? nn : 1);
    if (here) {
      scf_read("Fa", fa.data(), t);
      scf_read("Fb", fb.data(), t);
    }
    int loaded = -1;
    for (int k = 0; k < sh.nblocks; ++k) {
      const RotationBlock& b = sh.block[k];
      // Restricted open shell: closed-open couples through Fb, closed-virtual through the
      // mean, open-virtual through Fa.
      const double* fock = b.spin == 0 ? fa.data() : fb.data();
      if (sh.open_restricted() && k == 0) fock = fb.data();
      if (sh.open_restricted() && k == 1) {
        if (here)
          for (std::int64_t i = 0; i < t; ++i) f[i] = 0.5 * (fa[i] + fb[i]);
        fock = f.data();
      }
      if (here && loaded != b.spin) scf_read(b.spin == 0 ? "Ca" : "Cb", c.data(), nn);
      loaded = b.spin;
      const double* co = c.data() + std::int64_t{b.o0} * n;
      const double* cv = c.data() + std::int64_t{b.v0} * n;
      // (C_v^T F C_o) is virtual x occupied column-major: occupied-index-major order.
      scf_gemm(n, b.occupied(), n, 1.0, fock, kP, co, kN, 0.0, fc.data());
      scf_gemm(b.virtuals(), b.occupied(), n, 1.0, cv, kT, fc.data(), kN, 0.0, g.data() + b.offset);
    }
    if (here) {
      scf_write("scf_G", g.data(), sh.nrot);
      record_put(rec::scf_Gmax, vec_max_norm(sh.nrot, g.data()));
    }
  }
  timer("Rotation Gradient", '+');
}

}  // namespace ostrel
