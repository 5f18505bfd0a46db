#include "geometry/optimize_options.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/model_hessian.hpp"
#include "geometry/optimize_records.hpp"
#include "input/group.hpp"
#include "model/molecule_record.hpp"
#include "model/structure_print.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

constexpr int kUserCoordinatesPerAtom = 192;
constexpr double kUnset = -1e300;

bool task_is(const std::string& task, const char* name) { return task == name; }

// Counts the records of a five-int list up to the first of type 0, converting the atom
// numbers to 0-based and checking them against the molecule.
int take_records(const char* key, std::vector<int>& raw, int atoms, const double* xyz,
                 std::vector<InternalCoordinate>& out) {
  out.clear();
  for (std::size_t r = 0; r + 4 < raw.size() && raw[r] != 0; r += 5) {
    InternalCoordinate c{raw[r], raw[r + 1] - 1, raw[r + 2] - 1, raw[r + 3] - 1, raw[r + 4] - 1};
    const int used = coordinate_atoms(c.type);
    if (used == 0) fatal_error("*** error in '$optimize' : %s: coordinate type %d?\n", key, c.type);
    const int a[4] = {c.i, c.j, c.k, c.l};
    for (int s = 0; s < used; ++s) {
      if (a[s] < 0 || a[s] >= atoms)
        fatal_error("*** error in '$optimize' : %s: atom %d does not exist (%d atoms)\n", key,
                    a[s] + 1, atoms);
      // A linear-bend reference may repeat the chain end (isolated molecules).
      for (int t = 0; t < s; ++t)
        if (a[t] == a[s] && !(c.type >= 4 && s == 1 && t == 0))
          fatal_error("*** error in '$optimize' : %s: atom %d used twice in a coordinate\n", key,
                      a[s] + 1);
    }
    if (c.type == 3 && (collinear(xyz, c.i, c.j, c.k, 1e-3) || collinear(xyz, c.j, c.k, c.l, 1e-3)))
      fatal_error("*** error in '$optimize' : %s: torsion %d-%d-%d-%d over collinear atoms\n", key,
                  c.i + 1, c.j + 1, c.k + 1, c.l + 1);
    if (c.type == 2 && collinear(xyz, c.i, c.j, c.k, 1e-3))
      fatal_error("*** error in '$optimize' : %s: bend %d-%d-%d is linear (use types 4 and 5)\n",
                  key, c.i + 1, c.j + 1, c.k + 1);
    if (used < 3) c.k = -1;
    if (used < 4) c.l = -1;
    out.push_back(c);
  }
  return static_cast<int>(out.size());
}


}  // namespace

double coordinate_to_input_units(int type, double value) {
  return value * (type == 1 ? kAngstromPerBohr : kDegreesPerRadian);
}
double coordinate_from_input_units(int type, double value) {
  return value * (type == 1 ? kBohrPerAngstrom : kRadiansPerDegree);
}

void read_optimize_options() {
  if (!is_master) return;
  const std::string task = record_text(rec::task);
  Molecule mol = load_molecule(0, "Molecule");
  const int n = mol.n_atoms, n3 = 3 * n;
  const bool irc = task_is(task, "IRC") || task_is(task, "IRC4");

  int cartesian = irc || task_is(task, "PATHX"), exact = 0, saddle = -1, gterm = 1, steps = 50;
  int follow = 0, points = irc ? 1000 : 7, back = 0, massw = 1, maximize = 1, cubfit = 0;
  int noise = 1, print = 0, minimize[2] = {1, 1};
  double tolerance[2] = {1e-4, -1.0}, trust[2] = {kUnset, 0.0}, radius[2] = {0.1, 0.0};
  double wr[3] = {1.0, 0.5, 0.125};
  std::vector<int> coords(5 * kUserCoordinatesPerAtom * n + 5, 0), fix(5 * n3 + 5, 0);
  std::vector<double> value(2 * n3, kKeepValue);
  int steps_in = -123456789;
  const InputVar vars[] = {
      {"cartesian", IN_INT, 1, &cartesian}, {"coordinates", IN_INT, 5 * kUserCoordinatesPerAtom * n, coords.data()},
      {"exact", IN_INT, 1, &exact},         {"saddle", IN_INT, 1, &saddle},
      {"gradient", IN_INT, 1, &gterm},      {"tolerance", IN_REAL, 2, tolerance},
      {"trust", IN_REAL, 2, trust},         {"steps", IN_INT, 1, &steps_in},
      {"radius", IN_REAL, 2, radius},       {"follow", IN_INT, 1, &follow},
      {"points", IN_INT, 1, &points},       {"back", IN_INT, 1, &back},
      {"weight", IN_REAL, 3, wr},           {"massweight", IN_INT, 1, &massw},
      {"maximize", IN_INT, 1, &maximize},   {"minimize", IN_INT, 2, minimize},
      {"cubicfit", IN_INT, 1, &cubfit},     {"fix", IN_INT, 5 * n3, fix.data()},
      {"value", IN_REAL, 2 * n3, value.data()}, {"noise", IN_INT, 1, &noise},
      {"print", IN_INT, 1, &print},
  };
  read_group(stdin, "optimize", 21, vars);

  if (saddle < 0) saddle = irc ? 1 : 0;
  if (steps_in != -123456789) {
    if (steps_in < 1) fatal_error("*** error in '$optimize' : steps=%d, must be at least 1\n", steps_in);
    steps = steps_in;
  }
  if (trust[0] == kUnset) trust[0] = saddle ? 0.1 : 0.2;
  if (!(trust[0] > 0.0) || trust[1] < 0.0)
    fatal_error("*** error in '$optimize' : trust=%g,%g, the radius must be positive\n", trust[0], trust[1]);
  if (trust[1] == 0.0) trust[1] = trust[0] / 16;
  if (trust[1] > trust[0])
    fatal_error("*** error in '$optimize' : trust=%g,%g, minimum above maximum\n", trust[0], trust[1]);
  if (!(tolerance[0] > 0.0)) fatal_error("*** error in '$optimize' : tolerance=%g, must be positive\n", tolerance[0]);
  if (tolerance[1] < 0.0) tolerance[1] = 100 * tolerance[0];
  if (radius[1] == 0.0) radius[1] = radius[0];
  if (follow > 0) follow -= 1;
  if (follow < 0) follow = 0;
  for (double w : wr)
    if (!(w > 0.0)) fatal_error("*** error in '$optimize' : weight=%g, weights must be positive\n", w);

  std::vector<InternalCoordinate> user, fixed;
  const int nk = take_records("coordinates", coords, n, mol.xyz, user);
  int nfix = cartesian ? 0 : take_records("fix", fix, n, mol.xyz, fixed);
  if (cartesian) fixed.clear();
  const int freedom = n > 2 ? n3 - 6 : (n == 2 ? 1 : 0);
  if (nfix > freedom)
    fatal_error("*** error in '$optimize' : %d constraints, the molecule has %d internal degrees of freedom\n",
                nfix, freedom);
  std::vector<double> rfix(2 * static_cast<std::size_t>(nfix));
  if (nfix > 0) {
    saddle = 0;
    for (int f = 0; f < nfix; ++f) {
      const double current = coordinate_value(fixed[f], mol.xyz, nullptr, nullptr);
      const double start = value[f], end = value[nfix + f];
      // A target the coordinate cannot take sends the steps after it until atoms collide.
      for (const double v : {start, end}) {
        if (v == kKeepValue) continue;
        if (fixed[f].type == 1 && !(v > 0.0))
          fatal_error("*** error in '$optimize' : value=%g for fix %d, a distance must be positive\n", v, f + 1);
        if (fixed[f].type == 2 && !(v > 0.0 && v <= 180.0))
          fatal_error("*** error in '$optimize' : value=%g for fix %d, a bend lies between 0 and 180 degrees\n", v,
                      f + 1);
      }
      rfix[f] = start == kKeepValue ? current : coordinate_from_input_units(fixed[f].type, start);
      rfix[nfix + f] = end == kKeepValue ? rfix[f] : coordinate_from_input_units(fixed[f].type, end);
    }
  }

  std::printf("\n Geometry optimization options:\n Coordinates: %s\n Tolerance on gradient       = %10.8lf\n"
              " Tolerance on displacement   = %10.8lf\n Trust radius                = %10.8lf (max), %10.8lf (min)\n"
              " Maximum number of steps     = %10d\n",
              cartesian ? "cartesian" : "internal", tolerance[0], tolerance[1], trust[0], trust[1], steps);
  std::printf(exact ? " Exact hessian used\n" : " Updated hessian used\n");
  if (saddle) std::printf(" Saddle point search: follow = %d\n", follow + 1);
  if (nk > 0) {
    std::vector<double> q(nk);
    for (int k = 0; k < nk; ++k) q[k] = coordinate_value(user[k], mol.xyz, nullptr, nullptr);
    const CoordinateColumn column{"Value", q.data(), 1};
    print_internal_coordinates(nk, user.data(), 1, &column);
  }
  for (int f = 0; f < nfix; ++f)
    std::printf(" constrained variable: type=%d i=%3d j=%3d k=%3d l=%3d, value=%12.6lf, %12.6lf\n",
                fixed[f].type, fixed[f].i + 1, fixed[f].j + 1, fixed[f].k + 1, fixed[f].l + 1,
                coordinate_to_input_units(fixed[f].type, rfix[f]),
                coordinate_to_input_units(fixed[f].type, rfix[nfix + f]));
  std::fflush(stdout);

  const int ints[] = {cartesian, exact,  gterm, saddle, follow, points, massw,
                      maximize,  back,   cubfit, noise, print,  steps};
  const Record<int> records[] = {rec::Opt_cartesian, rec::Opt_exact,    rec::Opt_gterm, rec::Opt_saddle,
                                 rec::Opt_follow,    rec::Opt_points,   rec::Opt_massw, rec::Opt_maximize,
                                 rec::Opt_back,      rec::Opt_cubfit,   rec::Opt_noise, rec::Opt_print,
                                 rec::Opt_MaxSteps};
  for (int k = 0; k < 13; ++k) record_put(records[k], ints[k]);
  record_write(rec::Opt_minimize, minimize, 2);
  record_write(rec::Opt_tolerance, tolerance, static_cast<std::int64_t>(std::size(tolerance)));
  const double trust3[3] = {trust[0], trust[1], trust[0] / 4};
  record_write(rec::Opt_trust, trust3, static_cast<std::int64_t>(std::size(trust3)));
  record_write(rec::Opt_radius, radius, static_cast<std::int64_t>(std::size(radius)));
  record_write(rec::Opt_wr, wr, static_cast<std::int64_t>(std::size(wr)));
  record_put(rec::Opt_Nfix, nfix);
  if (nfix > 0) {
    record_write(rec::Opt_Kfix, fixed.data(), nfix);
    record_write(rec::Opt_Rfix, rfix.data(), 2 * std::int64_t{nfix});
  }
  record_put(rec::Opt_NK, nk);
  user.push_back({0, -1, -1, -1, -1});
  record_write(rec::Opt_K, user.data(), static_cast<std::int64_t>(user.size()));
  record_put(rec::Opt_step, -1);
  record_put(rec::Opt_exits, 0);
  record_put(rec::Opt_newgrid, 1);
  record_put(rec::Opt_loggmin, 0);

  // Per-run records at their full sizes.
  const std::int64_t m = n3, s = steps;
  record_alloc(rec::Opt_kgrid, s);
  record_alloc(rec::Opt_E, s);
  record_alloc(rec::Opt_X, m * (s + 1));
  record_alloc(rec::Opt_G, m * (s + 1));
  for (const Record<double> r : {rec::Opt_Gx, rec::Opt_Dx, rec::Opt_Tx, rec::Opt_Ge}) record_alloc(r, m);
  record_alloc(rec::Opt_Vx, m * m);
  record_alloc(rec::Opt_XX, m * (m + 1) / 2);
  record_alloc(rec::Opt_Hx, m * (m + 1) / 2);
  release_molecule(mol);
}

OptimizeOptions load_optimize_options() {
  OptimizeOptions o{};
  o.cartesian = record_get(rec::Opt_cartesian);
  o.exact = record_get(rec::Opt_exact);
  o.gterm = record_get(rec::Opt_gterm);
  o.saddle = record_get(rec::Opt_saddle);
  o.follow = record_get(rec::Opt_follow);
  o.points = record_get(rec::Opt_points);
  o.massw = record_get(rec::Opt_massw);
  o.maximize = record_get(rec::Opt_maximize);
  o.back = record_get(rec::Opt_back);
  o.cubfit = record_get(rec::Opt_cubfit);
  o.noise = record_get(rec::Opt_noise);
  o.print = record_get(rec::Opt_print);
  o.max_steps = record_get(rec::Opt_MaxSteps);
  record_read(rec::Opt_minimize, o.minimize, 2);
  record_read(rec::Opt_tolerance, o.tolerance, static_cast<std::int64_t>(std::size(o.tolerance)));
  record_read(rec::Opt_trust, o.trust, static_cast<std::int64_t>(std::size(o.trust)));
  record_read(rec::Opt_radius, o.radius, static_cast<std::int64_t>(std::size(o.radius)));
  record_read(rec::Opt_wr, o.wr, static_cast<std::int64_t>(std::size(o.wr)));
  o.nfix = record_get(rec::Opt_Nfix);
  o.nk = record_get(rec::Opt_NK);
  return o;
}

}  // namespace ostrel
