#include <algorithm>
#include <cmath>

#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "scf/guess/guess_steps.hpp"

namespace ostrel {
namespace {

// Ca (or Cb) = the frame with its minimal block turned by the given M x M vectors.
void project_spin(const double* frame, const double* energies, int n, int m, Record<double> given_c,
                  Record<double> given_e, Record<double> c_name, Record<double> e_name) {
  const long nn = static_cast<long>(n) * n, mm = static_cast<long>(m) * m;
  PoolArray<double> c(std::max(1L, nn)), e(std::max(1, n)), v(std::max(1L, mm)), ev(std::max(1, m));
  record_read(given_c, v.data(), mm);
  record_read(given_e, ev.data(), m);
  for (long i = 0; i < nn; ++i) c[i] = frame[i];
  for (int i = 0; i < n; ++i) e[i] = energies[i];
  for (int k = 0; k < m; ++k) {
    double* col = c.data() + static_cast<long>(k) * n;
    for (int i = 0; i < n; ++i) col[i] = 0.0;
    for (int j = 0; j < m; ++j) {
      const double w = v[static_cast<long>(k) * m + j];
      const double* b = frame + static_cast<long>(j) * n;
      for (int i = 0; i < n; ++i) col[i] += w * b[i];
    }
    e[k] = ev[k];
  }
  record_save(c_name, c.data(), nn);
  record_save(e_name, e.data(), n);
}

}  // namespace

void projected_guess() {
  int n = 0, given = 0;
  if (is_master) {
    n = record_get(rec::Nbasis);
    given = static_cast<int>(std::lround(std::sqrt(static_cast<double>(record_count(rec::guess_Ca)))));
  }
  mp_bcast(&n, 1, MP_INT);
  mp_bcast(&given, 1, MP_INT);
  const long nn = static_cast<long>(n) * n;
  PoolArray<double> frame(std::max(1L, nn)), energies(std::max(1, n)), s(std::max(1L, nn));
  const int m = minimal_frame(frame.data(), energies.data(), s.data(), n);
  if (given != m) fatal_error("\n $ce: n=%d, but the minimal basis has %d functions\n", given, m);
  if (!is_master) return;
  project_spin(frame.data(), energies.data(), n, m, rec::guess_Ca, rec::guess_ea, rec::Ca, rec::ea);
  project_spin(frame.data(), energies.data(), n, m, rec::guess_Cb, rec::guess_eb, rec::Cb, rec::eb);
  const double one = 1.0;
  record_save(rec::scf_Gmax, &one, 1);
}

}  // namespace ostrel
