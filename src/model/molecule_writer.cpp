#include "model/molecule_writer.hpp"

#include <cstdio>
#include <cstring>

#include "model/elements.hpp"
#include "model/units.hpp"
#include "model/zmatrix_placement.hpp"

namespace ostrel {
namespace {

// Ten decimals (1e-10 angstrom, 2e-12 rad) with the exact inverse of the reader's factor, so
// that a written group reads back to the same coordinates well within 1e-8 bohr.
// True when the definition records describe atoms 1..n-1 in order (one, two, then three
// records each), which is what the z-matrix form can express.
bool pure_zmatrix(const Molecule& m) {
  const int* rec = m.zmatrix;
  if (rec[0] == ZM_END || m.n_fragments != 1) return false;
  int used = 0;
  for (int p = 1; p < m.n_atoms; ++p) {
    const int count = p < 3 ? p : 3;
    for (int r = 0; r < count; ++r, used += 5) {
      if (used + 5 > ZMATRIX_INTS * m.n_atoms) return false;
      const int* x = rec + used;
      if (x[0] < ZM_DISTANCE || x[0] > ZM_DIHEDRAL || x[1] != p) return false;
      for (int k = 2; k <= x[0] + 1; ++k)
        if (x[k] < 0 || x[k] >= p) return false;
    }
  }
  return used >= ZMATRIX_INTS * m.n_atoms || rec[used] == ZM_END;
}

void atom_items(const Molecule& m, int a) {
  if (m.mass[a] != default_mass(m.z[a])) std::printf(" mass=%.8lf", m.mass[a]);
  if (m.type_name(a)[0]) std::printf(" type=%s", m.type_name(a));
  const int* list = m.bonds + MAX_NEIGHBOURS * a;
  for (int k = 0; k < MAX_NEIGHBOURS && list[k] >= 0; ++k)
    std::printf(k == 0 ? "  k=%d" : ",%d", list[k] + 1);
  std::printf("\n");
}

void set_line(const Molecule& m, int a, const char* prefix) {
  const char* now = m.set_name(a);
  const char* before = a > 0 ? m.set_name(a - 1) : "";
  if (std::strcmp(now, before) != 0) std::printf("%s set=%s\n", prefix, now[0] ? now : "\"\"");
}

void zmatrix_lines(const Molecule& m, const char* prefix) {
  std::printf("%s z-matrix\n", prefix);
  const int* rec = m.zmatrix;
  const double* x = m.xyz;
  auto at = [&](int i) { return x + 3 * i; };
  for (int p = 0; p < m.n_atoms; ++p) {
    set_line(m, p, prefix);
    if (p == 0) {
      std::printf("%s %3d", prefix, m.z[p]);
    } else {
      const int* r1 = rec;
      const int i = r1[2];
      const double r = zm_distance(at(p), at(i)) * kAngstromPerBohrExact;
      std::printf("%s %3d  %3d  % 15.10lf", prefix, m.z[p], i + 1, r);
      if (p >= 2) {
        const int* r2 = rec + 5;
        if (r2[0] == ZM_ANGLE)
          std::printf("  %3d  % 16.10lf", r2[3] + 1, zm_angle(at(p), at(i), at(r2[3])) * kDegreesPerRadian);
        else
          std::printf("  %3d  % 15.10lf", -(r2[2] + 1), zm_distance(at(p), at(r2[2])) * kAngstromPerBohrExact);
      }
      if (p >= 3) {
        const int* r3 = rec + 10;
        if (r3[0] == ZM_DIHEDRAL)
          std::printf("  %3d  % 16.10lf", r3[4] + 1,
                      zm_dihedral(at(p), at(i), at(r3[3]), at(r3[4])) * kDegreesPerRadian);
        else if (r3[0] == ZM_ANGLE)
          std::printf("  %3d  % 16.10lf", -(r3[3] + 1), zm_angle(at(p), at(i), at(r3[3])) * kDegreesPerRadian);
        else
          std::printf("  %3d  % 15.10lf", -(r3[2] + 1), zm_distance(at(p), at(r3[2])) * kAngstromPerBohrExact);
      }
      rec += 5 * (p < 3 ? p : 3);
    }
    atom_items(m, p);
  }
}

void cartesian_lines(const Molecule& m, const char* prefix) {
  std::printf("%s cartesian\n", prefix);
  // Fragment charges and multiplicities that the header does not imply.
  auto fragment_values = [&](int g, int charge, int mult) {
    if (m.charges[g + 1] != charge) std::printf("%s charge=%d\n", prefix, m.charges[g + 1]);
    if (m.multiplicities[g + 1] != mult) std::printf("%s mult=%d\n", prefix, m.multiplicities[g + 1]);
  };
  fragment_values(0, m.charges[0], m.multiplicities[0]);
  for (int a = 0; a < m.n_atoms; ++a) {
    if (a > 0 && m.fragment_of[a] != m.fragment_of[a - 1]) {
      std::printf("%s /\n", prefix);
      fragment_values(m.fragment_of[a], 0, 1);
    }
    set_line(m, a, prefix);
    const double* x = m.xyz + 3 * a;
    std::printf("%s  %2d   %15.10lf %15.10lf %15.10lf", prefix, m.z[a], x[0] * kAngstromPerBohrExact,
                x[1] * kAngstromPerBohrExact, x[2] * kAngstromPerBohrExact);
    atom_items(m, a);
  }
}

}  // namespace

void write_molecule_group(const Molecule& m, const char* prefix, int force_cartesian) {
  std::printf("%s$molecule\n", prefix);
  if (m.charges[0] != 0 || m.multiplicities[0] != 1 || m.radius != 0.0) {
    std::printf("%s", prefix);
    if (m.charges[0] != 0) std::printf(" charge=%d", m.charges[0]);
    if (m.multiplicities[0] != 1) std::printf(" mult=%d", m.multiplicities[0]);
    if (m.radius != 0.0) std::printf(" radius=%.10lf", m.radius * kAngstromPerBohrExact);
    std::printf("\n");
  }
  if (!force_cartesian && pure_zmatrix(m))
    zmatrix_lines(m, prefix);
  else
    cartesian_lines(m, prefix);
  std::printf("%s$end\n", prefix);
}

}  // namespace ostrel
