#include "geometry/optimize_options.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/model_hessian.hpp"
#include "input/group.hpp"
#include "model/molecule_record.hpp"
#include "model/structure_print.hpp"
#include "runtime/records.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"

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
  return value * (type == 1 ? kBohrToAngstrom : kRadianToDegree);
}
double coordinate_from_input_units(int type, double value) {
  return value * (type == 1 ? kAngstromToBohr : kDegreeToRadian);
}

void read_optimize_options() {
  if (!is_master) return;
  const std::string task = store_get_text("task");
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
  const char* names[] = {"Opt.cartesian", "Opt.exact", "Opt.gterm", "Opt.saddle", "Opt.follow",
                         "Opt.points",    "Opt.massw", "Opt.maximize", "Opt.back", "Opt.cubfit",
                         "Opt.noise",     "Opt.print", "Opt.MaxSteps"};
  for (int k = 0; k < 13; ++k) store_put(names[k], ints[k]);
  record_write(Record<int>{"Opt.minimize"}, minimize, 2);
  record_write(Record<double>{"Opt.tolerance"}, tolerance, static_cast<std::int64_t>(std::size(tolerance)));
  const double trust3[3] = {trust[0], trust[1], trust[0] / 4};
  record_write(Record<double>{"Opt.trust"}, trust3, static_cast<std::int64_t>(std::size(trust3)));
  record_write(Record<double>{"Opt.radius"}, radius, static_cast<std::int64_t>(std::size(radius)));
  record_write(Record<double>{"Opt.wr"}, wr, static_cast<std::int64_t>(std::size(wr)));
  store_put("Opt.Nfix", nfix);
  if (nfix > 0) {
    store_put_array<const InternalCoordinate>("Opt.Kfix", fixed);
    store_put_array<const double>("Opt.Rfix", rfix);
  }
  store_put("Opt.NK", nk);
  user.push_back({0, -1, -1, -1, -1});
  store_put_array<const InternalCoordinate>("Opt.K", user);
  store_put("Opt.step", -1);
  store_put("Opt.exits", 0);
  store_put("Opt.newgrid", 1);
  store_put("Opt.loggmin", 0);

  // Per-run records at their full sizes.
  const std::int64_t m = n3, s = steps;
  store_alloc("Opt.kgrid", 4 * s);
  store_alloc("Opt.E", 8 * s);
  store_alloc("Opt.X", 8 * m * (s + 1));
  store_alloc("Opt.G", 8 * m * (s + 1));
  for (const char* name : {"Opt.Gx", "Opt.Dx", "Opt.Tx"}) store_alloc(name, 8 * m);
  store_alloc("Opt.Vx", 8 * m * m);
  store_alloc("Opt.XX", 8 * m * (m + 1) / 2);
  store_alloc("Opt.Hx", 8 * m * (m + 1) / 2);
  release_molecule(mol);
}

OptimizeOptions load_optimize_options() {
  OptimizeOptions o{};
  o.cartesian = store_get<int>("Opt.cartesian");
  o.exact = store_get<int>("Opt.exact");
  o.gterm = store_get<int>("Opt.gterm");
  o.saddle = store_get<int>("Opt.saddle");
  o.follow = store_get<int>("Opt.follow");
  o.points = store_get<int>("Opt.points");
  o.massw = store_get<int>("Opt.massw");
  o.maximize = store_get<int>("Opt.maximize");
  o.back = store_get<int>("Opt.back");
  o.cubfit = store_get<int>("Opt.cubfit");
  o.noise = store_get<int>("Opt.noise");
  o.print = store_get<int>("Opt.print");
  o.max_steps = store_get<int>("Opt.MaxSteps");
  record_read(Record<int>{"Opt.minimize"}, o.minimize, 2);
  record_read(Record<double>{"Opt.tolerance"}, o.tolerance, static_cast<std::int64_t>(std::size(o.tolerance)));
  record_read(Record<double>{"Opt.trust"}, o.trust, static_cast<std::int64_t>(std::size(o.trust)));
  record_read(Record<double>{"Opt.radius"}, o.radius, static_cast<std::int64_t>(std::size(o.radius)));
  record_read(Record<double>{"Opt.wr"}, o.wr, static_cast<std::int64_t>(std::size(o.wr)));
  o.nfix = store_get<int>("Opt.Nfix");
  o.nk = store_get<int>("Opt.NK");
  return o;
}

}  // namespace ostrel
