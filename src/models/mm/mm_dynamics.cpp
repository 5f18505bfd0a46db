// Task "DYNAMIC": unit-mass molecular dynamics whose total energy follows a programme above
// the lowest potential energy met so far.
#include "models/mm/mm_dynamics.hpp"

#include <cmath>
#include <cstdio>

#include "input/group.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_writer.hpp"
#include "models/mm/mm_typing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

double dot(const double* a, const double* b, int n) {
  double s = 0.0;
  for (int k = 0; k < n; ++k) s += a[k] * b[k];
  return s;
}

MmDynamicsOptions read_options(int n_atoms) {
  MmDynamicsOptions o = mm_dynamics_defaults();
  const InputVar vars[] = {
      {"t", IN_REAL, 2, o.t},         {"e", IN_REAL, 3, o.e},           {"dt", IN_REAL, 1, &o.dt},
      {"v", IN_REAL, 1, &o.volume},   {"r", IN_REAL, 1, &o.radius},     {"nt", IN_INT, 1, &o.nt},
  };
  read_group(stdin, "dynamic", 6, vars);
  mm_complete_dynamics_options(o, n_atoms);
  return o;
}

void run(Molecule& mol, const MmParameters& p, const MmDynamicsOptions& o) {
  const int n = mol.n_atoms, n3 = 3 * n;
  const int steps = static_cast<int>(std::lround((1.25 * o.dt + o.t[0] + o.t[1]) / o.dt));
  std::printf("\n\n Dynamics:\n e=%10.8lf,%10.8lf,%10.8lf\n t=%10.1lf,%10.1lf\n dt=%8.6lf Nt=%d,%d r=%8.6lf\n",
              o.e[0], o.e[1], o.e[2], o.t[0], o.t[1], o.dt, steps, o.nt, o.radius);
  PoolArray<double> v(n3 + 1), g(n3 + 1);
  double* x = mol.xyz;
  const MmStructure s{n, x, mol.type_names, mol.bonds};
  double dipole[3];
  double u = mm_terms(s, p, dipole, g.data(), nullptr);
  // Step 0: the programme's first kinetic energy along the downhill direction.
  const double gg = dot(g.data(), g.data(), n3);
  const double scale = gg > 0.0 ? -std::sqrt(o.e[0] / (0.5 * gg)) : 0.0;
  for (int k = 0; k < n3; ++k) v[k] = scale * g[k];
  double u_min = u, t = 0.0;
  for (int step = 0; step <= steps; ++step) {
    double ratio = 1.0;
    const double kinetic = 0.5 * dot(v.data(), v.data(), n3);
    if (step > 0) {
      u_min = std::fmin(u_min, u);
      ratio = kinetic > 0.0 ? (mm_target_energy(o, u_min, t) - u) / kinetic : 1.0;
      if (ratio <= 0.0) ratio = 1.0;
      const double f = std::sqrt(ratio);
      for (int k = 0; k < n3; ++k) v[k] *= f;
    }
    std::printf("t=%11.5lf E=%13.10lf U=%13.10lf T=%13.10lf s=%10.8lf\n", t, u + kinetic * ratio, u,
                kinetic * ratio, ratio);
    if (o.nt > 0 && step % o.nt == 0) write_molecule_group(mol, "mol>", 1);
    if (step == steps) break;
    u = mm_verlet_step(s, p, x, v.data(), g.data(), o.dt);
    t += o.dt;
  }
}

}  // namespace

MmDynamicsOptions mm_dynamics_defaults() { return {{100.0, 0.0}, {-1.0, -1.0, -1.0}, 0.1, -1.0, -1.0, 100}; }

void mm_complete_dynamics_options(MmDynamicsOptions& o, int n_atoms) {
  if (o.radius < 0.0 && o.volume < 0.0) o.radius = std::cbrt(300.0 * n_atoms) + 10.0;
  if (o.radius >= 0.0)
    o.volume = 4.1887902047863905 * o.radius * o.radius * o.radius;
  else
    o.radius = std::cbrt(3.0 * o.volume / 12.566370614359172);
  if (o.e[0] < 0.0) o.e[0] = 0.003;
  if (o.e[1] < 0.0) o.e[1] = o.e[0];
  if (o.e[2] < 0.0) o.e[2] = o.e[0];
  for (double& e : o.e) e *= n_atoms;
}

double mm_target_energy(const MmDynamicsOptions& o, double u_min, double t) {
  if (t < o.t[0]) return u_min + o.e[0] + (o.e[1] - o.e[0]) * t / o.t[0];
  if (o.t[1] == 0.0) return u_min + o.e[1];
  return u_min + o.e[1] + (o.e[2] - o.e[1]) * (t - o.t[0]) / o.t[1];
}

double mm_verlet_step(const MmStructure& s, const MmParameters& p, double* x, double* v, double* g, double dt) {
  const int n3 = 3 * s.n_atoms;
  for (int k = 0; k < n3; ++k) {
    x[k] += dt * v[k] - 0.5 * dt * dt * g[k];
    v[k] -= 0.5 * dt * g[k];
  }
  double dipole[3];
  const double u = mm_terms(s, p, dipole, g, nullptr);
  for (int k = 0; k < n3; ++k) v[k] -= 0.5 * dt * g[k];
  return u;
}

void mm_dynamics() {
  // Coordinates and velocities live in this process only: the master runs the trajectory.
  if (!is_master) return;
  PoolArray<MmParameters> p(1);
  record_read(rec::mmdata, p.data(), 1);
  Molecule mol = load_molecule(0, "Molecule");
  mm_assign_types(mol);
  const MmDynamicsOptions o = read_options(mol.n_atoms);
  run(mol, p[0], o);
  release_molecule(mol);
}

}  // namespace ostrel
