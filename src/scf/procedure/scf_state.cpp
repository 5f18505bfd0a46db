#include "scf/procedure/scf_state.hpp"

#include <cstdint>

#include "linalg/multiply.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"

namespace ostrel {

void scf_rotation_blocks(ScfShape& s) {
  const int n = s.n, na = s.na, nb = s.nb;
  s.nblocks = 0;
  auto add = [&](int spin, int o0, int o1, int v0, int v1, int shift_o0) {
    RotationBlock& b = s.block[s.nblocks];
    b = RotationBlock{spin, o0, o1, v0, v1, shift_o0, 0};
    b.offset = s.nblocks > 0 ? s.block[s.nblocks - 1].offset + s.block[s.nblocks - 1].size() : 0;
    ++s.nblocks;
  };
  // Restricted open shell: the shift of the open-virtual block looks at all occupied levels.
  if (s.closed) {
    add(0, 0, na, na, n, 0);
  } else if (s.restricted == 1) {
    add(0, 0, nb, nb, na, 0);
    add(0, 0, nb, na, n, 0);
    add(0, nb, na, na, n, 0);
  } else {
    add(0, 0, na, na, n, 0);
    add(1, 0, nb, nb, n, 0);
  }
  const RotationBlock& last = s.block[s.nblocks - 1];
  s.nrot = last.offset + last.size();
}

ScfShape scf_shape() {
  ScfShape s{};
  if (is_master) {
    s.n = record_get(rec::Nbasis);
    s.na = record_field(rec::Na, &PerStructure::whole);
    s.nb = record_field(rec::Nb, &PerStructure::whole);
    s.closed = record_get(rec::closed);
    s.restricted = record_get(rec::restricted);
    s.fit = record_get(rec::fit);
    s.nfit = record_get_or(rec::Nfit, 0);
  }
  mp_bcast(&s, sizeof s, MP_BYTE);
  scf_rotation_blocks(s);
  return s;
}

void scf_read(const char* name, double* data, std::int64_t count, std::int64_t offset) {
  if (count > 0) record_read(Record<double>{name}, data, count, offset);
}

void scf_write(const char* name, const double* data, std::int64_t count, std::int64_t offset) {
  if (count > 0) record_write(Record<double>{name}, data, count, offset);
}

int scf_get_int(const char* name, std::int64_t index) {
  int v = 0;
  if (is_master) v = record_get(Record<int>{name}, index);
  mp_bcast(&v, 1, MP_INT);
  return v;
}

double scf_get_double(const char* name, std::int64_t index) {
  double v = 0.0;
  if (is_master) v = record_get(Record<double>{name}, index);
  mp_bcast(&v, 1, MP_DOUBLE);
  return v;
}

void scf_gemm(int p, int q, int r, double alpha, const double* x, ScfOp ox, const double* y,
              ScfOp oy, double beta, double* c, bool packed_c) {
  if (p < 1 || q < 1) return;
  if (r < 1) {
    if (is_master) vec_scale(packed_c ? packed_size(p) : std::int64_t{p} * q, beta, c);
    return;
  }
  matrix_multiply(y, x, c, q, r, p, oy, ox, packed_c ? 0 : -1, alpha, beta);
}

}  // namespace ostrel
