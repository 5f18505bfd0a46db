#include "geometry/paths/energy_profile.hpp"

#include <cmath>
#include <cstdio>

namespace ostrel {

void print_energy_profile(int n, const double* s, const double* e) {
  if (n < 2) return;
  std::printf("\n ===========================================\n       s     |       E(s)     | E(s) - E(0) \n"
              " -------------------------------------------\n");
  // A path walked backwards is listed in increasing s.
  const bool reverse = !(s[n - 1] > 0.0);
  for (int r = 0; r < n; ++r) {
    const int i = reverse ? n - 1 - r : r;
    std::printf("  %10.6lf   %14.6lf     %9.6lf \n", s[i], e[i], e[i] - e[0]);
  }
  std::printf(" ===========================================\n");
  double lo = e[0], hi = e[0];
  for (int i = 1; i < n; ++i) lo = std::fmin(lo, e[i]), hi = std::fmax(hi, e[i]);
  if (!(hi > lo)) return;
  std::printf("\n PLOT\n");
  for (int r = 0; r < n; ++r) {
    const int i = reverse ? n - 1 - r : r;
    const int column = static_cast<int>(std::lround(75.0 * (e[i] - lo) / (hi - lo)));
    char line[80];
    int k = 0;
    if (column > 0) line[k++] = r == 0 ? '0' : '|';
    for (int c = 1; c < column; ++c) line[k++] = r == 0 ? '-' : ' ';
    line[k++] = '*';
    if (r == 0)
      for (int c = column + 1; c <= 75; ++c) line[k++] = '-';
    line[k] = '\0';
    std::printf("%s\n", line);
  }
}

}  // namespace ostrel
