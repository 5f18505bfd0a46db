#include "geometry/vibrations/viewer_export.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "linalg/vector_ops.hpp"
#include "model/elements.hpp"
#include "model/units.hpp"

namespace ostrel {

void write_frequencies_for_viewer(const int* atomic_numbers, const double* xyz, const double* modes,
                                  const double* frequencies, int n_atoms, int n_vib) {
  const int n3 = 3 * n_atoms;
  std::printf("freq>[Molden Format]\nfreq>[FREQ]\n");
  for (int k = 0; k < n_vib; ++k) std::printf("freq>%8.2lf\n", frequencies[k] * kWavenumbersPerHartree);
  std::printf("freq>[FR-COORD]\n");
  for (int a = 0; a < n_atoms; ++a)
    std::printf("freq> %2s %12.7lf %12.7lf %12.7lf\n", element_symbol(atomic_numbers[a]), xyz[3 * a],
                xyz[3 * a + 1], xyz[3 * a + 2]);
  std::printf("freq>[FR-NORM-COORD]\n");
  for (int k = 0; k < n_vib; ++k) {
    const double* d = modes + std::int64_t{k} * n3;
    const double norm = std::sqrt(vec_dot(n3, d, d));
    std::printf("freq>vibration %3d\n", k + 1);
    for (int a = 0; a < n_atoms; ++a)
      std::printf("freq> %10.7lf %10.7lf %10.7lf\n", d[3 * a] / norm, d[3 * a + 1] / norm, d[3 * a + 2] / norm);
  }
  std::fflush(stdout);
}

}  // namespace ostrel
