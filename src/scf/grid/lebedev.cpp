#include "scf/grid/lebedev.hpp"

#include <cmath>
#include <initializer_list>

#include "scf/grid/generated/lebedev_tables.hpp"

namespace ostrel {
namespace {

// Writes points either as three planes (stride 1) or as interleaved triples (stride 3).
struct PointSink {
  double* x;
  double* y;
  double* z;
  int stride;
  double* w;
  int n = 0;
  void add(double a, double b, double c, double weight) {
    x[n * stride] = a;
    y[n * stride] = b;
    z[n * stride] = c;
    w[n] = weight;
    ++n;
  }
  // The eight sign combinations of (a, b, c); zero coordinates must not be passed.
  void signs(double a, double b, double c, double weight) {
    for (int s = 0; s < 8; ++s)
      add(s & 4 ? -a : a, s & 2 ? -b : b, s & 1 ? -c : c, weight);
  }
};

void expand_orbit(const LebedevOrbit& o, PointSink& out) {
  const double w = o.weight;
  switch (o.type) {
    case 1:
      for (int axis = 0; axis < 3; ++axis)
        for (double s : {1.0, -1.0})
          out.add(axis == 0 ? s : 0.0, axis == 1 ? s : 0.0, axis == 2 ? s : 0.0, w);
      break;
    case 2: {
      const double r = std::sqrt(0.5);
      for (double s : {r, -r})
        for (double t : {r, -r}) out.add(0.0, s, t, w);
      for (double s : {r, -r})
        for (double t : {r, -r}) out.add(s, 0.0, t, w);
      for (double s : {r, -r})
        for (double t : {r, -r}) out.add(s, t, 0.0, w);
      break;
    }
    case 3: {
      const double r = std::sqrt(1.0 / 3.0);
      out.signs(r, r, r, w);
      break;
    }
    case 4: {
      const double a = o.a, c = std::sqrt(1.0 - 2.0 * a * a);
      out.signs(a, a, c, w);
      out.signs(a, c, a, w);
      out.signs(c, a, a, w);
      break;
    }
    case 5: {
      const double a = o.a, c = std::sqrt(1.0 - a * a);
      // The six placements of (a, c) around the zero, each with four sign choices.
      for (int p = 0; p < 6; ++p) {
        const int zero = p / 2;
        const double first = p % 2 ? c : a, second = p % 2 ? a : c;
        for (double s : {1.0, -1.0})
          for (double t : {1.0, -1.0}) {
            const double u = s * first, v = t * second;
            if (zero == 0) out.add(0.0, u, v, w);
            if (zero == 1) out.add(u, 0.0, v, w);
            if (zero == 2) out.add(u, v, 0.0, w);
          }
      }
      break;
    }
    case 6: {
      const double a = o.a, b = o.b, c = std::sqrt(1.0 - a * a - b * b);
      out.signs(a, b, c, w);
      out.signs(a, c, b, w);
      out.signs(b, a, c, w);
      out.signs(b, c, a, w);
      out.signs(c, a, b, w);
      out.signs(c, b, a, w);
      break;
    }
    default:
      break;
  }
}

void expand_rule(int k, PointSink& out) {
  const LebedevRule& rule = kLebedevRules[k];
  for (int i = 0; i < rule.orbit_count; ++i) expand_orbit(kLebedevOrbits[rule.first_orbit + i], out);
}

}  // namespace

int lebedev_rule_count() { return kLebedevRuleCount; }

int lebedev_rule_points(int k) { return kLebedevRules[k].points; }

int lebedev_rule_degree(int k) { return kLebedevRules[k].degree; }

int lebedev_rule_index(int n) {
  for (int k = 0; k < kLebedevRuleCount; ++k)
    if (kLebedevRules[k].points == n) return k;
  return -1;
}

void lebedev_rule_fill(int k, double* x, double* y, double* z, double* w) {
  PointSink out{x, y, z, 1, w};
  expand_rule(k, out);
}

int lebedev_points(int n, double* points, double* weights) {
  const int k = lebedev_rule_index(n);
  if (k < 0) return 0;
  PointSink out{points, points + 1, points + 2, 3, weights};
  expand_rule(k, out);
  return n;
}

}  // namespace ostrel
