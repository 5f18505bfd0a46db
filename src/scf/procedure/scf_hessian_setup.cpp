#include "scf/procedure/scf_hessian_setup.hpp"

#include <algorithm>
#include <cstdint>

#include "linalg/vector_ops.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {
namespace {

void create(const char* name, std::int64_t doubles) {
  record_ensure(Record<double>{name}, std::max<std::int64_t>(doubles, 1));
}

// Diagonal inverse-Hessian estimate 1 / (e_a - e_i + shift) per rotation block, the shift
// keeping every denominator at least 0.25.
void preconditioner(const ScfShape& sh, double* p) {
  PoolArray<double> e(2 * std::int64_t{sh.n});
  scf_read("ea", e.data(), sh.n);
  if (sh.restricted == 0) scf_read("eb", e.data() + sh.n, sh.n);
  for (int k = 0; k < sh.nblocks; ++k) {
    const RotationBlock& b = sh.block[k];
    if (b.size() == 0) continue;
    const double* eb = e.data() + b.spin * std::int64_t{sh.n};
    const int shift_o0 = b.shift_o0;
    double homo = eb[shift_o0], lumo = eb[b.v0];
    for (int i = shift_o0; i < b.o1; ++i) homo = std::max(homo, eb[i]);
    for (int a = b.v0; a < b.v1; ++a) lumo = std::min(lumo, eb[a]);
    const double shift = std::max(0.0, 0.25 - (lumo - homo));
    double* pb = p + b.offset;
    for (int i = b.o0; i < b.o1; ++i)
      for (int a = b.v0; a < b.v1; ++a) *pb++ = 1.0 / (eb[a] - eb[i] + shift);
  }
}

// The preconditioner into slot 0 of "scf_H" (master).
void store_preconditioner(const ScfShape& sh) {
  PoolArray<double> p(std::max<std::int64_t>(sh.nrot, 1));
  preconditioner(sh, p.data());
  scf_write("scf_H", p.data(), sh.nrot);
}

}  // namespace

void scf_preconditioner_update() {
  const ScfShape sh = scf_shape();
  if (is_master) store_preconditioner(sh);
}

void scf_hessian_setup(int m) {
  const ScfShape sh = scf_shape();
  if (!is_master) return;
  if (m < 0) {
    for (const char* name : {"scf_NH", "scf_XG0", "scf_H", "scf_X", "scf_G", "Fvb", "Fob", "Fva", "Foa"})
      store_free(name);
    return;
  }
  create("Foa", packed_size(sh.na));
  create("Fva", packed_size(sh.n - sh.na));
  create("Fob", packed_size(sh.nb));
  create("Fvb", packed_size(sh.n - sh.nb));
  create("scf_G", sh.nrot);
  create("scf_X", sh.nrot);
  create("scf_H", (2 * std::int64_t{m} + 1) * sh.nrot);
  create("scf_XG0", 1);
  record_put(rec::scf_NH, 0);
  store_preconditioner(sh);
}

}  // namespace ostrel
