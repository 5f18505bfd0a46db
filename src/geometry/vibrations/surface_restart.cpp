#include "geometry/vibrations/surface_restart.hpp"

#include <cstdint>
#include <cstdio>

#include "input/group.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {
SurfaceRestart read_surface_group(int n3) {
  const std::size_t modes = static_cast<std::size_t>(n3);
  SurfaceRestart s{-1, 0.0, std::vector<double>(modes, 0.0), std::vector<double>(modes * modes, 0.0),
                   std::vector<double>(modes * kMaxScanPoints, 0.0), std::vector<double>(modes * kMaxScanPoints, 0.0),
                   std::vector<int>(modes, 0)};
  const InputVar vars[] = {
      {"nv", IN_INT, 1, &s.nv},
      {"vo", IN_REAL, 1, &s.vo},
      {"h", IN_REAL, n3, s.h.data()},
      {"r", IN_REAL, n3 * n3, s.r.data()},
      {"nx", IN_INT, n3, s.nx.data()},
      {"x", IN_REAL, n3 * kMaxScanPoints, s.x.data()},
      {"vx", IN_REAL, n3 * kMaxScanPoints, s.vx.data()},
  };
  read_group(stdin, "surface", 7, vars);
  if (s.nv < -1 || s.nv > n3)
    fatal_error("*** error in '$surface' : nv=%d, the molecule has %d coordinates\n", s.nv, n3);
  for (int m = 0; m < n3; ++m) {
    const int n = s.nx[m];
    if (n <= 0) continue;
    if (n < 2 || n > kMaxScanPoints)
      fatal_error("*** error in '$surface' : nx(%d)=%d, a scanned mode has 2 to %d points\n", m + 1, n,
                  kMaxScanPoints);
    const double* x = s.x.data() + std::int64_t{m} * kMaxScanPoints;
    for (int k = 1; k < n; ++k)
      if (!(x[k] > x[k - 1]))
        fatal_error("*** error in '$surface' : x(%d), the points of mode %d must increase\n",
                    m * kMaxScanPoints + k + 1, m + 1);
  }
  return s;
}

void print_surface_modes(int nv, int n3, const double* h, const double* r) {
  std::printf("\n\nsurf>$surface\nsurf> Nv=%2d\n", nv);
  for (int m = 0; m < nv; ++m) {
    const double* v = r + std::int64_t{m} * n3;
    std::printf("surf> h(%2d)=%15.8e\nsurf> r(%4d)=%15.8e %15.8e %15.8e\n", m + 1, h[m], m * n3 + 1, v[0], v[1], v[2]);
    for (int i = 3; i < n3; i += 3) std::printf("surf>         %15.8e %15.8e %15.8e\n", v[i], v[i + 1], v[i + 2]);
  }
  std::printf("surf>$end\n");
}

void print_surface_reference(double vo) {
  std::printf("\n\nsurf>$surface\nsurf> vo=%17.10e\nsurf>$end\n\n\n", vo);
}

void print_surface_scan(int m, int n, const double* x, const double* vx) {
  // Numbered so that mode m reads back into its own slots of x and vx.
  std::printf("\n\nsurf>$surface\nsurf> nx(%2d)=%2d\n", m + 1, n);
  for (int k = 0; k < n; ++k) {
    const int index = kMaxScanPoints * m + k + 1;
    std::printf("surf>  x(%4d)=%15.8e  vx(%4d)=%17.10e\n", index, x[k], index, vx[k]);
  }
  std::printf("surf>$end\n\n");
}

}  // namespace ostrel
