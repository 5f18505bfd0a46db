#include "model/zmatrix_placement.hpp"

#include <algorithm>
#include <cmath>

namespace ostrel {
namespace {

struct V3 {
  double x, y, z;
};
V3 load(const double* p) { return {p[0], p[1], p[2]}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(double s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(V3 a) { return std::sqrt(dot(a, a)); }
void store(V3 a, double* p) {
  p[0] = a.x;
  p[1] = a.y;
  p[2] = a.z;
}

// Relative size below which a perpendicular component counts as zero.
constexpr double kDegenerate = 1e-10;
// Excess of a law-of-cosines cosine over 1 that rounding can leave.
constexpr double kCosineRounding = 1e-10;

// Unit vector along B-A and the unit part of C-B perpendicular to it.
bool frame(V3 a, V3 b, V3 c, V3& u, V3& v) {
  V3 ab = b - a;
  double lab = norm(ab);
  if (lab == 0.0) return false;
  u = (1.0 / lab) * ab;
  V3 t = c - b;
  V3 p = t - dot(t, u) * u;
  double lp = norm(p);
  if (lp <= kDegenerate * std::max(norm(t), lab)) return false;
  v = (1.0 / lp) * p;
  return true;
}

}  // namespace

double triangle_angle(double ab, double r, double d) {
  double c = (ab * ab + r * r - d * d) / (2.0 * ab * r);
  // Only rounding may push a flat triangle past +-1; a larger excess means sides that no
  // triangle has, and bending them into one would silently build another structure.
  if (!(std::fabs(c) <= 1.0 + kCosineRounding)) return std::nan("");
  return std::acos(std::clamp(c, -1.0, 1.0));
}

bool place_distance_angle_dihedral(double r, double theta, double phi, const double* pa,
                                   const double* pb, const double* pc, double* d) {
  V3 a = load(pa), b = load(pb), c = load(pc);
  double ct = std::cos(theta);
  if (ct == -1.0) {
    V3 ab = b - a;
    double lab = norm(ab);
    if (lab == 0.0) return false;
    store(a - (r / lab) * ab, d);
    return true;
  }
  V3 u, v;
  if (!frame(a, b, c, u, v)) return false;
  V3 w = cross(u, v);
  V3 dir = ct * u + std::sin(theta) * (std::cos(phi) * v + std::sin(phi) * w);
  store(a + r * dir, d);
  return true;
}

bool place_distance_distance_dihedral(double r, double rb, double phi, const double* a,
                                      const double* b, const double* c, double* d) {
  double ab = zm_distance(a, b);
  if (ab == 0.0 || r == 0.0) return false;
  const double theta = triangle_angle(ab, r, rb);
  if (std::isnan(theta)) return false;
  return place_distance_angle_dihedral(r, theta, phi, a, b, c, d);
}

bool place_distance_angle_angle(double r, double theta1, double theta2, const double* pa,
                                const double* pb, const double* pc, double* d) {
  V3 a = load(pa), b = load(pb), c = load(pc);
  V3 ab = b - a, ac = c - a;
  double lab = norm(ab), lac = norm(ac);
  if (lab == 0.0 || lac == 0.0) return false;
  V3 u = (1.0 / lab) * ab, w = (1.0 / lac) * ac;
  double g = dot(u, w);
  double s2 = 1.0 - g * g;
  if (s2 <= kDegenerate) return false;
  double s = std::sqrt(s2);
  V3 e = (1.0 / s) * (w - g * u);
  double c1 = std::cos(theta1);
  double c2 = (std::cos(theta2) - g * c1) / s;
  double h2 = 1.0 - c1 * c1 - c2 * c2;
  // Rounding may leave a planar arrangement slightly negative.
  if (h2 < -1e-10) return false;
  double h = std::sqrt(std::max(h2, 0.0));
  store(a + r * (c1 * u + c2 * e + h * cross(u, e)), d);
  return true;
}

bool place_distance_distance_distance(double r, double rb, double rc, const double* a,
                                      const double* b, const double* c, double* d) {
  double ab = zm_distance(a, b), ac = zm_distance(a, c);
  if (ab == 0.0 || ac == 0.0 || r == 0.0) return false;
  const double theta1 = triangle_angle(ab, r, rb), theta2 = triangle_angle(ac, r, rc);
  if (std::isnan(theta1) || std::isnan(theta2)) return false;
  return place_distance_angle_angle(r, theta1, theta2, a, b, c, d);
}

double zm_distance(const double* p, const double* q) { return norm(load(p) - load(q)); }

double zm_angle(const double* pd, const double* pa, const double* pb) {
  V3 x = load(pd) - load(pa), y = load(pb) - load(pa);
  double c = dot(x, y) / (norm(x) * norm(y));
  return std::acos(std::clamp(c, -1.0, 1.0));
}

double zm_dihedral(const double* pd, const double* pa, const double* pb, const double* pc) {
  V3 a = load(pa), u, v;
  if (!frame(a, load(pb), load(pc), u, v)) return 0.0;
  V3 x = load(pd) - a;
  return std::atan2(dot(x, cross(u, v)), dot(x, v));
}

}  // namespace ostrel
