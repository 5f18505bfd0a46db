// Orbitals projected onto the minimal basis of the guess: coefficients X = F^T S C over
// the S-orthonormal minimal block F of the guess frame, the inverse of the projected guess.
#include "scf/procedure/scf_report_minimal.hpp"

#include <algorithm>
#include <cstdint>

#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "scf/guess/guess_frame.hpp"
#include "scf/guess/vector_file.hpp"

namespace ostrel {
namespace {

std::int64_t tri(std::int64_t i, std::int64_t j) { return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i; }

void print_spin(const char* spin, const char* c_record, const char* e_record, const double* frame,
                const double* s, int n, int m) {
  const std::int64_t nn = std::int64_t{n} * n;
  PoolArray<double> c(std::max<std::int64_t>(1, nn)), e(std::max(1, n));
  PoolArray<double> sc(std::max(1, n)), x(std::max<std::int64_t>(1, std::int64_t{m} * m));
  record_read(Record<double>{c_record}, c.data(), nn);
  record_read(Record<double>{e_record}, e.data(), n);
  for (int k = 0; k < m; ++k) {
    const double* ck = c.data() + std::int64_t{k} * n;
    for (int mu = 0; mu < n; ++mu) {
      double sum = 0.0;
      for (int nu = 0; nu < n; ++nu) sum += s[tri(mu, nu)] * ck[nu];
      sc[mu] = sum;
    }
    for (int j = 0; j < m; ++j) {
      const double* fj = frame + std::int64_t{j} * n;
      double sum = 0.0;
      for (int mu = 0; mu < n; ++mu) sum += fj[mu] * sc[mu];
      x[std::int64_t{k} * m + j] = sum;
    }
  }
  print_vectors_ce("ce>", spin, e.data(), x.data(), m);
}

}  // namespace

void print_minimal_projection(int n, int restricted) {
  const std::int64_t nn = std::int64_t{n} * n;
  PoolArray<double> frame(std::max<std::int64_t>(1, nn)), energies(std::max(1, n));
  PoolArray<double> s(std::max<std::int64_t>(1, nn));
  const int m = minimal_frame(frame.data(), energies.data(), s.data(), n);
  if (!is_master) return;
  print_spin("a", "Ca", "ea", frame.data(), s.data(), n, m);
  if (!restricted) print_spin("b", "Cb", "eb", frame.data(), s.data(), n, m);
}

}  // namespace ostrel
