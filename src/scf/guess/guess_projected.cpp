#include <algorithm>
#include <cmath>

#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/guess/guess_steps.hpp"

namespace ostrel {
namespace {

void put_doubles(const char* name, const double* data, long count) {
  if (!store_exists(name)) store_alloc(name, 8 * count);
  store_write(name, 0, data, 8 * count);
}

// Ca (or Cb) = the frame with its minimal block turned by the given M x M vectors.
void project_spin(const double* frame, const double* energies, int n, int m, const char* given_c,
                  const char* given_e, const char* c_name, const char* e_name) {
  const long nn = static_cast<long>(n) * n, mm = static_cast<long>(m) * m;
  PoolArray<double> c(std::max(1L, nn)), e(std::max(1, n)), v(std::max(1L, mm)), ev(std::max(1, m));
  store_read(given_c, 0, v.data(), 8 * mm);
  store_read(given_e, 0, ev.data(), 8L * m);
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
  put_doubles(c_name, c.data(), nn);
  put_doubles(e_name, e.data(), n);
}

}  // namespace

void projected_guess() {
  int n = 0, given = 0;
  if (is_master) {
    n = record_get(rec::Nbasis);
    given = static_cast<int>(std::lround(std::sqrt(static_cast<double>(store_size("guess_Ca") / 8))));
  }
  mp_bcast(&n, 1, MP_INT);
  mp_bcast(&given, 1, MP_INT);
  const long nn = static_cast<long>(n) * n;
  PoolArray<double> frame(std::max(1L, nn)), energies(std::max(1, n)), s(std::max(1L, nn));
  const int m = minimal_frame(frame.data(), energies.data(), s.data(), n);
  if (given != m) fatal_error("\n $ce: n=%d, but the minimal basis has %d functions\n", given, m);
  if (!is_master) return;
  project_spin(frame.data(), energies.data(), n, m, "guess_Ca", "guess_ea", "Ca", "ea");
  project_spin(frame.data(), energies.data(), n, m, "guess_Cb", "guess_eb", "Cb", "eb");
  const double one = 1.0;
  put_doubles("scf_Gmax", &one, 1);
}

}  // namespace ostrel
