#include "scf/procedure/scf_density.hpp"

#include <cstdint>

#include "linalg/vector_ops.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"
#include "scf/procedure/scf_state.hpp"

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

void scf_weighted_density() {
  const ScfShape sh = scf_shape();
  const bool here = is_master;
  const int n = sh.n;
  const std::int64_t t = sh.packed(), nn = sh.square();
  PoolArray<double> w(here ? t : 1), f(here ? t : 1), c(here ? nn : 1), fc(here ? nn : 1),
      m(here ? nn : 1), foo(here ? nn : 1);
  if (here) vec_set(t, 0.0, w.data());
  for (int spin = 0; spin < (sh.closed ? 1 : 2); ++spin) {
    const int nocc = spin == 0 ? sh.na : sh.nb;
    const double factor = sh.closed ? -2.0 : -1.0;
    if (here) {
      scf_read(spin == 0 ? "Fa" : "Fb", f.data(), t);
      scf_read(spin == 0 ? "Ca" : "Cb", c.data(), nn);
    }
    scf_gemm(n, nocc, n, 1.0, f.data(), kP, c.data(), kN, 0.0, fc.data());
    scf_gemm(nocc, nocc, n, 1.0, c.data(), kT, fc.data(), kN, 0.0, foo.data());
    scf_gemm(n, nocc, nocc, 1.0, c.data(), kN, foo.data(), kN, 0.0, m.data());
    scf_gemm(n, n, nocc, factor, m.data(), kN, c.data(), kT, 1.0, w.data(), true);
  }
  if (here) scf_write("W", w.data(), t);
}

}  // namespace ostrel
