#include "scf/procedure/scf_canonicalize.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "linalg/subspace.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {
namespace {

// The occupied-occupied and virtual-virtual Fock blocks of the orbitals `c` (packed into
// `foo`, `fvv`) and their diagonals as orbital energies.
void fock_blocks(const ScfShape& sh, const double* f, const double* c, int nocc, double* foo,
                 double* fvv, double* e) {
  const int n = sh.n, nv = n - nocc;
  const bool here = is_master;
  PoolArray<double> fc(here ? sh.square() : 1);
  scf_gemm(n, n, n, 1.0, f, kP, c, kN, 0.0, fc.data());
  scf_gemm(nocc, nocc, n, 1.0, c, kT, fc.data(), kN, 0.0, foo, true);
  const double* cv = c + std::int64_t{nocc} * n;
  scf_gemm(nv, nv, n, 1.0, cv, kT, fc.data() + std::int64_t{nocc} * n, kN, 0.0, fvv, true);
  if (here) {
    for (int i = 0; i < nocc; ++i) e[i] = foo[packed_index(i, i)];
    for (int a = 0; a < nv; ++a) e[nocc + a] = fvv[packed_index(a, a)];
  }
}

const char* const kFock[2] = {"Fa", "Fb"};
const char* const kOrbitals[2] = {"Ca", "Cb"};
const char* const kEnergies[2] = {"ea", "eb"};

// One spin's orbitals diagonalised within the occupied and the virtual block of its Fock
// matrix (read on the master; all nodes call it).
void diagonalize_blocks(const ScfShape& sh, int spin, int nocc, double* f, double* c, double* e) {
  const int n = sh.n;
  if (is_master) {
    scf_read(kFock[spin], f, sh.packed());
    scf_read(kOrbitals[spin], c, sh.square());
  }
  subspace_diagonalize(f, c, n, nocc, e);
  subspace_diagonalize(f, c + std::int64_t{nocc} * n, n, n - nocc, e + nocc);
}

// Fock blocks "Foa", "Fva", "Fob", "Fvb" in creation order, so that the quasi-Newton
// records that follow them can be freed in stack order.
void create_fock_blocks(const ScfShape& sh) {
  const std::int64_t sizes[4] = {packed_size(sh.na), packed_size(sh.n - sh.na),
                                 packed_size(sh.nb), packed_size(sh.n - sh.nb)};
  const char* names[4] = {"Foa", "Fva", "Fob", "Fvb"};
  for (int k = 0; k < 4; ++k)
    record_ensure(Record<double>{names[k]}, sizes[k] > 0 ? sizes[k] : 1);
}

}  // namespace

void scf_canonicalize() {
  timer("Diagonalization", '-');
  {
    const ScfShape sh = scf_shape();
    const int canon = scf_get_int("scf_diag", 1);
    const bool here = is_master;
    const int n = sh.n;
    const std::int64_t t = sh.packed(), nn = sh.square();
    PoolArray<double> f(here ? t : 1), c(here ? nn : 1), e(n > 0 ? n : 1);
    if (sh.open_restricted()) {
      if (canon != 1) fatal_error("\n %d: restricted open shell needs diagm >= 2\n", node_id);
      if (here) {
        PoolArray<double> fb(t);
        scf_read("Fa", f.data(), t);
        scf_read("Fb", fb.data(), t);
        vec_axpy(t, 1.0, fb.data(), f.data());
        vec_scale(t, 0.5, f.data());
        scf_read("Ca", c.data(), nn);
      }
      const int edges[4] = {0, sh.nb, sh.na, n};
      for (int k = 0; k < 3; ++k)
        subspace_diagonalize(f.data(), c.data() + std::int64_t{edges[k]} * n, n,
                             edges[k + 1] - edges[k], e.data() + edges[k]);
      if (here) {
        scf_write("Ca", c.data(), nn);
        scf_write("Cb", c.data(), nn);
        scf_write("ea", e.data(), n);
        scf_write("eb", e.data(), n);
      }
    } else {
      if (here && canon != 1) create_fock_blocks(sh);
      const char* occupied[2] = {"Foa", "Fob"};
      const char* virtuals[2] = {"Fva", "Fvb"};
      for (int spin = 0; spin < (sh.closed ? 1 : 2); ++spin) {
        const int nocc = spin == 0 ? sh.na : sh.nb;
        if (canon == 1) {
          diagonalize_blocks(sh, spin, nocc, f.data(), c.data(), e.data());
          if (here) scf_write(kOrbitals[spin], c.data(), nn);
        } else {
          if (here) {
            scf_read(kFock[spin], f.data(), t);
            scf_read(kOrbitals[spin], c.data(), nn);
          }
          PoolArray<double> foo(here ? packed_size(nocc) : 1), fvv(here ? packed_size(n - nocc) : 1);
          fock_blocks(sh, f.data(), c.data(), nocc, foo.data(), fvv.data(), e.data());
          if (here) {
            scf_write(occupied[spin], foo.data(), packed_size(nocc));
            scf_write(virtuals[spin], fvv.data(), packed_size(n - nocc));
          }
        }
        if (here) scf_write(kEnergies[spin], e.data(), n);
      }
      if (here && sh.closed) {
        scf_write("Cb", c.data(), nn);
        scf_write("eb", e.data(), n);
      }
    }
  }
  timer("Diagonalization", '+');
}

bool scf_aufbau_swap() {
  // The margin leaves (near-)degenerate open shells alone, such as the pi hole of OH, whose
  // order may be broken slightly along the way; a hole in the wrong shell breaks it by far more.
  constexpr double kMargin = 0.02;
  const ScfShape sh = scf_shape();
  if (sh.open_restricted()) return false;
  const bool here = is_master;
  const int n = sh.n;
  const std::int64_t t = sh.packed(), nn = sh.square();
  int swapped = 0;
  {
    PoolArray<double> f(here ? t : 1), c(here ? nn : 1), e(n > 0 ? n : 1);
    for (int spin = 0; spin < (sh.closed ? 1 : 2); ++spin) {
      const int nocc = spin == 0 ? sh.na : sh.nb;
      if (nocc < 1 || nocc >= n) continue;
      diagonalize_blocks(sh, spin, nocc, f.data(), c.data(), e.data());
      if (!here) continue;
      const int i = static_cast<int>(std::max_element(e.data(), e.data() + nocc) - e.data());
      const int a = static_cast<int>(std::min_element(e.data() + nocc, e.data() + n) - e.data());
      if (e[a] > e[i] - kMargin) continue;
      std::printf(" occupation changed: %s orbital %d (%.6f) below the highest occupied (%.6f)\n",
                  spin == 0 ? "alpha" : "beta", a + 1, e[a], e[i]);
      std::swap_ranges(c.data() + std::int64_t{i} * n, c.data() + std::int64_t{i + 1} * n,
                       c.data() + std::int64_t{a} * n);
      std::swap(e[i], e[a]);
      scf_write(kOrbitals[spin], c.data(), nn);
      scf_write(kEnergies[spin], e.data(), n);
      if (sh.closed) {
        scf_write("Cb", c.data(), nn);
        scf_write("eb", e.data(), n);
      }
      swapped = 1;
    }
  }
  mp_bcast(&swapped, 1, MP_INT);
  return swapped != 0;
}

}  // namespace ostrel
