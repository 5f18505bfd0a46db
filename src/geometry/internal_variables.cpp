#include "geometry/internal_variables.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/step_tools.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

[[noreturn]] void dependent(int n, const double* values, const double* vectors) {
  std::printf("s:");
  for (int k = 0; k < n; ++k) std::printf(" %12.4e", values[k]);
  std::printf("\nv:\n");
  for (int k = 0; k < n; ++k) {
    for (int r = 0; r < n; ++r) std::printf(" %9.5lf", vectors[k * n + r]);
    std::printf("\n");
  }
  fatal_error("\n Constraints are not independent!\n");
}

// Cartesian gradient (B row scattered) of coordinate k.
void b_vector(const InternalFrame& f, int k, double* out) {
  PoolArray<double> e(f.size());
  vec_set(f.size(), 0.0, e.data());
  e[k] = 1.0;
  f.transpose(e.data(), out);
}

}  // namespace

int build_coordinate_set(int n_atoms, const int* z, const double* xyz, int nk,
                         const InternalCoordinate* user, int nfix, const InternalCoordinate* kfix,
                         InternalCoordinate* set, int* fix_index) {
  const int capacity = COORDINATES_PER_ATOM * n_atoms;
  int count = 0;
  if (nk >= 1) {
    for (int k = 0; k < nk; ++k) set[k] = user[k];
    count = nk;
    set[count] = {0, -1, -1, -1, -1};
  } else {
    count = generate_internal_coordinates(n_atoms, z, xyz, set, capacity);
  }
  for (int k = 0; k < nfix; ++k)
    fix_index[k] = find_or_add_coordinate(set, &count, capacity, kfix[k].type, kfix[k].i, kfix[k].j,
                                          kfix[k].k, kfix[k].l);
  std::printf("  %4d cartesian, %4d internal coordinates\n", 3 * n_atoms, count);
  return count;
}

void coordinate_weights(int count, const InternalCoordinate* set, const double* wr, int nfix,
                        const int* fix_index, double* w) {
  for (int k = 0; k < count; ++k) w[k] = set[k].type == 1 ? wr[0] : set[k].type == 2 ? wr[1] : wr[2];
  for (int k = 0; k < nfix; ++k) w[fix_index[k]] = kFixedWeight;
}

int independent_variables(const InternalFrame& f, int nfix, const int* fix_index, double* v) {
  const int m = 3 * f.atoms(), count = f.size();
  const std::int64_t mm = std::int64_t{m} * m;
  PoolArray<double> g(packed_size(m)), unit(m), col(std::max(count, 1)), back(m);
  for (int p = 0; p < m; ++p) {
    vec_set(m, 0.0, unit.data());
    unit[p] = 1.0;
    f.to_internal(unit.data(), col.data());
    for (int k = 0; k < count; ++k) col[k] *= f.weights()[k];
    f.transpose(col.data(), back.data());
    for (int r = 0; r <= p; ++r) g[packed_index(p, r)] = back[r];
  }
  // Orthonormal constraint directions q through the eigen-decomposition of C^T C.
  PoolArray<double> c(std::max<std::int64_t>(std::int64_t{m} * nfix, 1)), q(std::max<std::int64_t>(std::int64_t{m} * nfix, 1));
  if (nfix > 0) {
    for (int k = 0; k < nfix; ++k) b_vector(f, fix_index[k], c.data() + std::int64_t{k} * m);
    PoolArray<double> ctc(packed_size(nfix)), u(std::int64_t{nfix} * nfix), e(nfix);
    for (int a = 0; a < nfix; ++a)
      for (int b = 0; b <= a; ++b) ctc[packed_index(a, b)] = vec_dot(m, c.data() + a * m, c.data() + b * m);
    eigen_local(ctc.data(), u.data(), e.data(), nfix);
    if (e[0] <= 1e-8) dependent(nfix, e.data(), u.data());
    vec_set(std::int64_t{m} * nfix, 0.0, q.data());
    for (int k = 0; k < nfix; ++k)
      for (int a = 0; a < nfix; ++a)
        vec_axpy(m, u[k * nfix + a] / std::sqrt(e[k]), c.data() + a * m, q.data() + k * m);
    // G' = P G P + Q Q^T G Q Q^T with P = 1 - Q Q^T: the constraint directions separate.
    PoolArray<double> full(mm), pg(mm);
    for (int a = 0; a < m; ++a)
      for (int b = 0; b < m; ++b) full[a * m + b] = g[packed_index(a, b)];
    auto project = [&](double* x, bool inside) {  // x <- P x or Q Q^T x
      for (int k = 0; k < nfix; ++k) {
        const double s = vec_dot(m, q.data() + k * m, x);
        if (!inside) vec_axpy(m, -s, q.data() + k * m, x);
      }
      if (inside) {
        PoolArray<double> y(m);
        vec_set(m, 0.0, y.data());
        for (int k = 0; k < nfix; ++k) vec_axpy(m, vec_dot(m, q.data() + k * m, x), q.data() + k * m, y.data());
        vec_copy(m, y.data(), x);
      }
    };
    for (int part = 0; part < 2; ++part) {
      vec_copy(mm, full.data(), pg.data());
      for (int a = 0; a < m; ++a) project(pg.data() + a * m, part == 1);  // rows
      for (int a = 0; a < m; ++a)
        for (int b = 0; b < a; ++b) std::swap(pg[a * m + b], pg[b * m + a]);
      for (int a = 0; a < m; ++a) project(pg.data() + a * m, part == 1);  // columns
      for (int a = 0; a < m; ++a)
        for (int b = 0; b <= a; ++b) {
          if (part == 0) g[packed_index(a, b)] = 0.0;
          g[packed_index(a, b)] += 0.5 * (pg[a * m + b] + pg[b * m + a]);
        }
    }
  }
  PoolArray<double> vec(mm), val(m), weight(m);
  eigen_local(g.data(), vec.data(), val.data(), m);
  int nvar = 0;
  for (int k = 0; k < m; ++k) {
    if (val[k] <= 1e-8) continue;
    vec_copy(m, vec.data() + std::int64_t{k} * m, v + std::int64_t{nvar} * m);
    vec_scale(m, 1.0 / std::sqrt(val[k]), v + std::int64_t{nvar} * m);
    double on_q = 0.0;
    for (int c2 = 0; c2 < nfix; ++c2) {
      const double s = vec_dot(m, q.data() + c2 * m, vec.data() + std::int64_t{k} * m);
      on_q += s * s;
    }
    weight[nvar++] = on_q;
  }
  // Stable sort by the constraint share: the constraint columns come last.
  for (int a = 1; a < nvar; ++a)
    for (int b = a; b > 0 && weight[b - 1] > weight[b]; --b) {
      std::swap(weight[b - 1], weight[b]);
      vec_swap(m, v + std::int64_t{b - 1} * m, v + std::int64_t{b} * m);
    }
  std::printf("  %4d independent variables\n", nvar);
  return nvar;
}

void constraint_correction(const InternalFrame& f, int nfix, const int* fix_index, const double* vc,
                           const double* d, double* c) {
  const int m = 3 * f.atoms(), count = f.size();
  PoolArray<double> resp(std::int64_t{nfix} * nfix), dq(std::max(count, 1));
  for (int b = 0; b < nfix; ++b) {
    f.to_internal(vc + std::int64_t{b} * m, dq.data());
    for (int a = 0; a < nfix; ++a) resp[a * nfix + b] = dq[fix_index[a]];
  }
  // Least squares through the eigen-decomposition of R^T R.
  PoolArray<double> rtr(packed_size(nfix)), u(std::int64_t{nfix} * nfix), e(nfix), rtd(nfix);
  for (int a = 0; a < nfix; ++a) {
    rtd[a] = 0.0;
    for (int r = 0; r < nfix; ++r) rtd[a] += resp[r * nfix + a] * d[r];
    for (int b = 0; b <= a; ++b) {
      double s = 0.0;
      for (int r = 0; r < nfix; ++r) s += resp[r * nfix + a] * resp[r * nfix + b];
      rtr[packed_index(a, b)] = s;
    }
  }
  eigen_local(rtr.data(), u.data(), e.data(), nfix);
  if (e[0] <= 1e-8) dependent(nfix, e.data(), u.data());
  vec_set(nfix, 0.0, c);
  for (int k = 0; k < nfix; ++k) {
    const double s = -vec_dot(nfix, u.data() + k * nfix, rtd.data()) / e[k];
    vec_axpy(nfix, s, u.data() + k * nfix, c);
  }
}

double internal_trust_step(const InternalFrame& f, int n, const double* modes, const double* g,
                           const double* h, double trust, double* s, double* size) {
  const int m = 3 * f.atoms();
  PoolArray<double> dx(m), dq(std::max(f.size(), 1));
  auto step_size = [&](double lambda) {
    for (int i = 0; i < n; ++i) s[i] = g[i] == 0.0 ? 0.0 : -g[i] / (h[i] + lambda);
    vec_set(m, 0.0, dx.data());
    for (int i = 0; i < n; ++i) vec_axpy(m, s[i], modes + std::int64_t{i} * m, dx.data());
    f.to_internal(dx.data(), dq.data());
    return vec_max_norm(f.size(), dq.data());
  };
  const double hmin = n > 0 ? h[vec_index_min(n, h)] : 0.0;
  *size = step_size(0.0);
  if (hmin >= 0.0 && *size <= trust) return 0.0;
  double lower = hmin < 0.0 ? -hmin * 1.0000000001 : 0.0, upper = lower + 1e10, lambda = upper;
  for (int trial = 0; trial < 128 && upper - lower > 1e-10 * upper; ++trial) {
    lambda = 0.5 * (lower + upper);
    if (step_size(lambda) > trust) lower = lambda;
    else upper = lambda;
  }
  lambda = upper;
  *size = step_size(lambda);
  return lambda;
}

}  // namespace ostrel
