#pragma once
#include <cstdint>

namespace ostrel {

// One block of orbital rotations: occupied orbitals o0..o1-1 against virtual orbitals
// v0..v1-1 of one spin set, stored occupied-index-major from `offset` in the rotation vector.
struct RotationBlock {
  int spin;      // 0 alpha ("Ca"), 1 beta ("Cb")
  int o0, o1;
  int v0, v1;
  int shift_o0;  // first occupied orbital whose energy enters the preconditioner shift
  std::int64_t offset;
  int occupied() const { return o1 - o0; }
  int virtuals() const { return v1 - v0; }
  std::int64_t size() const { return std::int64_t{o1 - o0} * (v1 - v0); }
};

// Sizes and spin treatment of the SCF, read on the master and known on every node.
struct ScfShape {
  int n;           // "Nbasis"
  int na, nb;      // "Na"[0], "Nb"[0]
  int closed;      // one orbital set, doubly occupied
  int restricted;  // "restrict": 1 one orbital set (closed or restricted open shell)
  int fit;         // fitting kind as a character code
  int nfit;
  int nblocks;
  RotationBlock block[3];
  std::int64_t nrot;
  bool open_restricted() const { return restricted == 1 && !closed; }
  std::int64_t packed() const { return std::int64_t{n} * (n + 1) / 2; }
  std::int64_t square() const { return std::int64_t{n} * n; }
};

ScfShape scf_shape();

// Blocks and length of the rotation vector for the given spin treatment.
void scf_rotation_blocks(ScfShape& shape);

// Master-side record access in doubles; writes create a missing record.
void scf_read(const char* name, double* data, std::int64_t count, std::int64_t offset = 0);
void scf_write(const char* name, const double* data, std::int64_t count, std::int64_t offset = 0);
// A master value of a 32-bit or double record, known on every node afterwards.
int scf_get_int(const char* name, std::int64_t index = 0);
double scf_get_double(const char* name, std::int64_t index = 0);

// Column-major products over the nodes (only the master's operands count):
// C(p x q) = alpha op(X) op(Y) + beta C, where op(X) is p x r and op(Y) is r x q. Modes
// describe how each operand is read: kN a column-major matrix as it is, kT the transpose
// of a column-major matrix, kP a packed symmetric matrix. C is column-major, or packed
// when `packed_c` (then p = q and only the lower triangle is formed).
enum ScfOp : int { kN = -1, kT = 1, kP = 0 };
void scf_gemm(int p, int q, int r, double alpha, const double* x, ScfOp ox, const double* y,
              ScfOp oy, double beta, double* c, bool packed_c = false);

}  // namespace ostrel
