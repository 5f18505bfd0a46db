#include "geometry/coordinate_kernel.hpp"

#include <cmath>
#include <cstdlib>

#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec {
  double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(Vec a) { return std::sqrt(dot(a, a)); }
Vec unit(Vec a) { return (1.0 / norm(a)) * a; }
Vec atom(const double* xyz, int a) { return {xyz[3 * a], xyz[3 * a + 1], xyz[3 * a + 2]}; }
void put(double* b, int slot, Vec v) {
  b[3 * slot] = v.x;
  b[3 * slot + 1] = v.y;
  b[3 * slot + 2] = v.z;
}

int slot_atom(const InternalCoordinate& c, int s) {
  const int a[4] = {c.i, c.j, c.k, c.l};
  return a[s];
}

double stretch(const InternalCoordinate& c, const double* xyz, double* b) {
  const Vec d = atom(xyz, c.i) - atom(xyz, c.j);
  const double r = norm(d);
  if (b) {
    put(b, 0, (1.0 / r) * d);
    put(b, 1, (-1.0 / r) * d);
  }
  return r;
}

double bend(const InternalCoordinate& c, const double* xyz, double* b) {
  const Vec p = atom(xyz, c.i) - atom(xyz, c.j), q = atom(xyz, c.k) - atom(xyz, c.j);
  const double r1 = norm(p), r2 = norm(q);
  const Vec u = (1.0 / r1) * p, v = (1.0 / r2) * q;
  const double cs = dot(u, v), sn = norm(cross(u, v));
  if (b) {
    const Vec bi = (1.0 / (r1 * sn)) * (cs * u - v);
    const Vec bk = (1.0 / (r2 * sn)) * (cs * v - u);
    put(b, 0, bi);
    put(b, 2, bk);
    put(b, 1, -1.0 * (bi + bk));
  }
  return std::atan2(sn, cs);
}

// Blondel and Karplus, J. Comput. Chem. 17, 1132 (1996): no division by sin(phi).
double torsion(const InternalCoordinate& c, const double* xyz, double* b) {
  const Vec f = atom(xyz, c.i) - atom(xyz, c.j), g = atom(xyz, c.j) - atom(xyz, c.k),
            h = atom(xyz, c.l) - atom(xyz, c.k);
  const Vec a = cross(f, g), bb = cross(h, g);
  const double a2 = dot(a, a), b2 = dot(bb, bb), gn = norm(g);
  if (b) {
    const double fg = dot(f, g) / (a2 * gn), hg = dot(h, g) / (b2 * gn);
    const Vec di = (-gn / a2) * a, dl = (gn / b2) * bb;
    put(b, 0, di);
    put(b, 3, dl);
    put(b, 1, (gn / a2) * a + fg * a - hg * bb);
    put(b, 2, hg * bb - fg * a - (gn / b2) * bb);
  }
  return std::atan2(dot(cross(bb, a), g) / gn, dot(a, bb));
}

// The coordinate on its own atoms: local atom s sits at slot s's position (a repeated atom
// keeps its first slot), so differences never touch the caller's coordinates.
struct Local {
  InternalCoordinate c;
  double x[B_ROW];
};
Local localize(const InternalCoordinate& c, const double* xyz) {
  Local l{{c.type, -1, -1, -1, -1}, {}};
  int* slots[4] = {&l.c.i, &l.c.j, &l.c.k, &l.c.l};
  for (int s = 0; s < coordinate_atoms(c.type); ++s) {
    const int a = slot_atom(c, s);
    int first = s;
    for (int t = 0; t < s; ++t)
      if (slot_atom(c, t) == a) first = t < first ? t : first;
    *slots[s] = first;
    for (int d = 0; d < 3; ++d) l.x[3 * s + d] = xyz[3 * a + d];
  }
  return l;
}

// Fixed frame axis of an isolated linear molecule: the cartesian axis least parallel to t.
Vec free_axis(Vec t) {
  const double ax = std::fabs(t.x), ay = std::fabs(t.y), az = std::fabs(t.z);
  if (ax <= ay && ax <= az) return {1, 0, 0};
  if (ay <= az) return {0, 1, 0};
  return {0, 0, 1};
}

double linear_bend_at(const InternalCoordinate& c, const double* xyz, const Vec* axis) {
  const Vec a = atom(xyz, c.j), m = atom(xyz, c.k), n = atom(xyz, c.l);
  const Vec s = unit(a - m) + unit(n - m);
  const Vec t = unit(n - a);
  const Vec r = c.i != c.j ? atom(xyz, c.i) - a : *axis;
  const Vec e1 = unit(r - dot(r, t) * t);
  return c.type == 4 ? dot(s, e1) : dot(s, cross(t, e1));
}

// Linear bends are differentiated numerically (fourth-order central differences).
double linear_bend(const InternalCoordinate& c, const double* xyz, double* b) {
  const Vec axis = free_axis(unit(atom(xyz, c.l) - atom(xyz, c.j)));
  const double value = linear_bend_at(c, xyz, &axis);
  if (!b) return value;
  constexpr double h = 1e-3;
  Local l = localize(c, xyz);
  for (int s = 0; s < 4; ++s) {
    const bool repeated = slot_atom(l.c, s) != s;
    for (int d = 0; d < 3; ++d) {
      if (repeated) {
        b[3 * s + d] = 0.0;
        continue;
      }
      double& xa = l.x[3 * s + d];
      const double keep = xa;
      double f[4];
      const double steps[4] = {2 * h, h, -h, -2 * h};
      for (int q = 0; q < 4; ++q) {
        xa = keep + steps[q];
        f[q] = linear_bend_at(l.c, l.x, &axis);
      }
      xa = keep;
      b[3 * s + d] = (-f[0] + 8 * f[1] - 8 * f[2] + f[3]) / (12 * h);
    }
  }
  return value;
}

double first_derivatives(const InternalCoordinate& c, const double* xyz, double* b) {
  if (b) vec_set(B_ROW, 0.0, b);
  switch (c.type) {
    case 1: return stretch(c, xyz, b);
    case 2: return bend(c, xyz, b);
    case 3: return torsion(c, xyz, b);
    case 4:
    case 5: return linear_bend(c, xyz, b);
    default: fatal_error("\n internal coordinate type %d?\n", c.type);
  }
}

// Second derivatives by fourth-order differences of the B rows (error about 1e-9).
void second_derivatives(const InternalCoordinate& c, const double* xyz, double* d2) {
  constexpr double h = 1e-3;
  double full[B_ROW][B_ROW] = {};
  Local l = localize(c, xyz);
  const int used = coordinate_atoms(c.type);
  for (int s = 0; s < used; ++s) {
    if (slot_atom(l.c, s) != s) continue;
    for (int d = 0; d < 3; ++d) {
      double& xa = l.x[3 * s + d];
      const double keep = xa;
      double row[4][B_ROW];
      const double steps[4] = {2 * h, h, -h, -2 * h};
      for (int q = 0; q < 4; ++q) {
        xa = keep + steps[q];
        first_derivatives(l.c, l.x, row[q]);
      }
      xa = keep;
      for (int e = 0; e < B_ROW; ++e)
        full[3 * s + d][e] = (-row[0][e] + 8 * row[1][e] - 8 * row[2][e] + row[3][e]) / (12 * h);
    }
  }
  for (int p = 0; p < B_ROW; ++p)
    for (int q = 0; q <= p; ++q) d2[p * (p + 1) / 2 + q] = 0.5 * (full[p][q] + full[q][p]);
}

}  // namespace

int coordinate_atoms(int type) {
  switch (type) {
    case 1: return 2;
    case 2: return 3;
    case 3:
    case 4:
    case 5: return 4;
    default: return 0;
  }
}

double coordinate_value(const InternalCoordinate& c, const double* xyz, double* b, double* d2) {
  const double value = first_derivatives(c, xyz, b);
  if (d2) second_derivatives(c, xyz, d2);
  return value;
}

int coordinate_count(const InternalCoordinate* set) {
  int n = 0;
  while (set[n].type != 0) ++n;
  return n;
}

void internal_values(int count, const InternalCoordinate* set, const double* xyz, double* q,
                     double* b) {
  for (int k = 0; k < count; ++k)
    q[k] = coordinate_value(set[k], xyz, b ? b + B_ROW * k : nullptr, nullptr);
}

void apply_b_matrix(int count, const InternalCoordinate* set, const double* b, const double* dx,
                    double* dq) {
  for (int k = 0; k < count; ++k) {
    const double* row = b + B_ROW * k;
    double sum = 0.0;
    for (int s = 0; s < coordinate_atoms(set[k].type); ++s) {
      const int a = slot_atom(set[k], s);
      for (int d = 0; d < 3; ++d) sum += row[3 * s + d] * dx[3 * a + d];
    }
    dq[k] = sum;
  }
}

void apply_b_transpose(int count, const InternalCoordinate* set, const double* b,
                       const double* dq, double* dx, int n_atoms) {
  vec_set(3 * n_atoms, 0.0, dx);
  for (int k = 0; k < count; ++k) {
    const double* row = b + B_ROW * k;
    for (int s = 0; s < coordinate_atoms(set[k].type); ++s) {
      const int a = slot_atom(set[k], s);
      for (int d = 0; d < 3; ++d) dx[3 * a + d] += row[3 * s + d] * dq[k];
    }
  }
}

void wrap_differences(int count, const InternalCoordinate* set, double* dq) {
  for (int k = 0; k < count; ++k) {
    if (set[k].type != 3) continue;
    double d = std::remainder(dq[k], 2 * kPi);
    if (d <= -kPi) d += 2 * kPi;
    dq[k] = d;
  }
}

int find_or_add_coordinate(InternalCoordinate* set, int* count, int capacity, int type, int i,
                           int j, int k, int l) {
  if (type == 0 || std::abs(type) > 5) return -1;
  for (int n = 0; n < *count; ++n) {
    const InternalCoordinate& c = set[n];
    if (c.type != type) continue;
    const bool same = c.i == i && c.j == j && c.k == k && c.l == l;
    bool reversed = false;
    if (type == 1) reversed = c.i == j && c.j == i;
    if (type == 2) reversed = c.i == k && c.j == j && c.k == i;
    if (type == 3) reversed = c.i == l && c.j == k && c.k == j && c.l == i;
    if (type == 1) reversed |= c.i == i && c.j == j;
    if (type == 2) reversed |= c.i == i && c.j == j && c.k == k;
    if (same || reversed) return n;
  }
  if (*count + 1 >= capacity) fatal_error("MaxK=%d\n", capacity);
  set[*count] = {type, i, j, k, l};
  set[++*count] = {0, -1, -1, -1, -1};
  return *count - 1;
}

}  // namespace ostrel
