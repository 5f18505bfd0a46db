// One NDDO evaluation: matrices, orbital optimisation, heat of formation, dipole and the
// gradient from the pair energies at fixed densities (the energy is variational in the
// orbitals, so only the explicit geometry dependence of each atom pair counts), differentiated
// exactly by carrying derivatives through the pair terms.
#include "models/nddo/nddo_model_energy.hpp"

#include <cmath>
#include <cstdio>

#include "model/elements.hpp"
#include "models/nddo/nddo_core_repulsion.hpp"
#include "models/nddo/nddo_scf.hpp"
#include "models/nddo/nddo_system.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// The part of the energy that depends on the vector r from atom a to atom b (eV), at fixed
// densities; with T = Dual3 it carries its gradient with respect to r.
template <class T>
T pair_energy(const NddoSystem& s, int a, int b, const T r[3], const double* pa, const double* pb) {
  using std::sqrt;
  const NddoAtom& A = s.atom[a];
  const NddoAtom& B = s.atom[b];
  NddoPairT<T> p;
  nddo_pair(A, B, r, p);
  const T dist = sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  const std::int64_t n = s.nbf;
  const int na = A.nbf, nb = B.nbf, oa = s.first[a], ob = s.first[b];
  auto pt = [&](int i, int j) { return pa[i * n + j] + pb[i * n + j]; };
  T e = nddo_core_repulsion(A, B, dist, p.gamma);
  for (int i = 0; i < na; ++i)
    for (int k = 0; k < nb; ++k) e += T(2 * pt(oa + i, ob + k)) * p.h[i * nb + k];
  for (int i = 0; i < na; ++i)
    for (int j = 0; j < na; ++j) e -= T(B.core * pt(oa + i, oa + j)) * p.w[(i * na + j) * nb * nb];
  for (int k = 0; k < nb; ++k)
    for (int l = 0; l < nb; ++l) e -= T(A.core * pt(ob + k, ob + l)) * p.w[k * nb + l];
  for (int i = 0; i < na; ++i)
    for (int j = 0; j < na; ++j)
      for (int k = 0; k < nb; ++k)
        for (int l = 0; l < nb; ++l) {
          const double x = pa[(oa + i) * n + ob + k] * pa[(oa + j) * n + ob + l] +
                           pb[(oa + i) * n + ob + k] * pb[(oa + j) * n + ob + l];
          e += T(pt(oa + i, oa + j) * pt(ob + k, ob + l) - x) * p.w[(i * na + j) * nb * nb + k * nb + l];
        }
  return e;
}

void pair_gradient(const NddoSystem& s, const double* pa, const double* pb, double* gradient) {
  for (int k = 0; k < 3 * s.atoms; ++k) gradient[k] = 0;
  for (int a = 1; a < s.atoms; ++a)
    for (int b = 0; b < a; ++b) {
      Dual3 r[3];
      for (int k = 0; k < 3; ++k) {
        r[k] = Dual3(s.xyz[3 * b + k] - s.xyz[3 * a + k]);
        r[k].d[k] = 1;
      }
      const Dual3 e = pair_energy(s, a, b, r, pa, pb);
      for (int k = 0; k < 3; ++k) {
        gradient[3 * b + k] += e.d[k] / kNddoEv;
        gradient[3 * a + k] -= e.d[k] / kNddoEv;
      }
    }
}

// Guess matrix: f0 on the diagonal, mean f0 times the overlap (exponents a0) elsewhere.
void guess_orbitals(const NddoSystem& s, const NddoElement* data, const Molecule& mol, double* c) {
  const std::int64_t n = s.nbf;
  PoolArray<double> g(n * n), e(n);
  for (std::int64_t k = 0; k < n * n; ++k) g[k] = 0;
  for (int a = 0; a < s.atoms; ++a) {
    const NddoElement& ea = data[mol.z[a]];
    for (int m = 0; m < s.atom[a].nbf; ++m) g[(s.first[a] + m) * n + s.first[a] + m] = ea.f0[m > 0];
    for (int b = 0; b < a; ++b) {
      const NddoElement& eb = data[mol.z[b]];
      NddoAtom A = s.atom[a], B = s.atom[b];
      for (int l = 0; l < 2; ++l) {
        A.zeta[l] = ea.a0[l];
        A.beta[l] = ea.f0[l];
        B.zeta[l] = eb.a0[l];
        B.beta[l] = eb.f0[l];
      }
      double r[3];
      for (int k = 0; k < 3; ++k) r[k] = s.xyz[3 * b + k] - s.xyz[3 * a + k];
      NddoPair p;
      nddo_pair(A, B, r, p);
      for (int i = 0; i < A.nbf; ++i)
        for (int k = 0; k < B.nbf; ++k) {
          g[(s.first[a] + i) * n + s.first[b] + k] = p.h[i * B.nbf + k];
          g[(s.first[b] + k) * n + s.first[a] + i] = p.h[i * B.nbf + k];
        }
    }
  }
  nddo_eigen(g.data(), static_cast<int>(n), c, e.data());
}

// Orbital k becomes the former orbital order[k]; a repeated or missing orbital stops.
void reorder_orbitals(const int* order, int n, double* c) {
  const std::int64_t nn = std::int64_t{n} * n;
  PoolArray<double> old(nn);
  PoolArray<int> seen(n);
  for (int k = 0; k < n; ++k) seen[k] = 0;
  for (std::int64_t k = 0; k < nn; ++k) old[k] = c[k];
  for (int k = 0; k < n; ++k) {
    const int from = order[k];
    if (from < 0 || from >= n || seen[from]++)
      fatal_error("\n orbital order: entry %d names orbital %d (1..%d, each once)\n", k + 1, from + 1, n);
    for (int i = 0; i < n; ++i) c[std::int64_t{k} * n + i] = old[std::int64_t{from} * n + i];
  }
}

void add_field(NddoSystem& s, const double* field, double& core) {
  const std::int64_t n = s.nbf;
  for (int a = 0; a < s.atoms; ++a) {
    const NddoAtom& A = s.atom[a];
    double rf = 0;
    for (int k = 0; k < 3; ++k) rf += s.xyz[3 * a + k] * field[k];
    core += A.core * rf * kNddoEv;
    const int o = s.first[a];
    for (int m = 0; m < A.nbf; ++m) s.hcore[(o + m) * n + o + m] -= rf * kNddoEv;
    for (int k = 1; k < A.nbf; ++k) {
      s.hcore[o * n + o + k] -= A.d1 * field[k - 1] * kNddoEv;
      s.hcore[(o + k) * n + o] -= A.d1 * field[k - 1] * kNddoEv;
    }
  }
}

}  // namespace

int nddo_function_count(const Molecule& mol, const NddoElement* data) {
  int nbf = 0;
  for (int a = 0; a < mol.n_atoms; ++a) {
    const int z = mol.z[a];
    if (z >= 1 && z <= kNddoMaxElement && data[z].L >= 0) nbf += data[z].nbf;
  }
  return nbf;
}

NddoResult nddo_model_energy(const Molecule& mol, const NddoElement* data, const double* field,
                             const double* start, const int* order, double* final, double* gradient,
                             int print) {
  const int natom = mol.n_atoms;
  PoolArray<NddoAtom> atoms(natom);
  PoolArray<int> first(natom + 1);
  int nbf = 0, electrons = 0;
  for (int a = 0; a < natom; ++a) {
    const int z = mol.z[a];
    if (z < 1 || z > kNddoMaxElement || data[z].L < 0)
      fatal_error("\n element %s has no NDDO parameters\n", element_symbol(z));
    atoms[a] = nddo_atom(data[z], z);
    first[a] = nbf;
    nbf += atoms[a].nbf;
    electrons += data[z].nval;
  }
  electrons -= mol.charges[0];
  const ElectronCount ec = electron_count(electrons, mol.multiplicities[0]);
  if (!ec.legal)
    fatal_error("\n %d electrons cannot have multiplicity %d\n", electrons, mol.multiplicities[0]);
  if (ec.alpha > nbf) fatal_error("\n %d electrons do not fit into %d orbitals\n", electrons, nbf);
  const std::int64_t nn = std::int64_t{nbf} * nbf;
  PoolArray<NddoPair> pairs(std::int64_t{natom} * (natom - 1) / 2 + 1);
  PoolArray<double> hcore(nn), c(nn), e(nbf), pa(nn), pb(nn), fa(nn), fb(nn);
  NddoSystem s{natom, nbf, atoms.data(), first.data(), mol.xyz, hcore.data(), pairs.data(), 0};
  nddo_build(s);
  double core = s.core_energy;
  if (field) add_field(s, field, core);
  s.core_energy = core;
  if (print) {
    std::printf("\n NDDO: Natom=%d\n", natom);
    std::printf(" Na=%d Nb=%d Nf=%d Nff=%d\n", ec.alpha, ec.beta, nbf, 0);
  }
  if (start)
    for (std::int64_t k = 0; k < nn; ++k) c[k] = start[k];
  else
    guess_orbitals(s, data, mol, c.data());
  if (order) reorder_orbitals(order, nbf, c.data());
  const NddoScfResult r = nddo_scf(s, ec.beta, ec.alpha - ec.beta, c.data(), e.data(), pa.data(),
                                   pb.data(), fa.data(), fb.data(), print);
  if (final)
    for (std::int64_t k = 0; k < nn; ++k) final[k] = c[k];
  NddoResult out{};
  out.electronic = r.electronic;
  out.core = core;
  out.gmax = r.gmax;
  out.iterations = r.iterations;
  out.converged = r.converged;
  // The atoms' constants turn the total energy into the heat of formation.
  double constants = 0;
  for (int a = 0; a < natom; ++a) constants += data[mol.z[a]].E0;
  out.total = (r.electronic + core) / kNddoEv;
  out.energy = out.total + constants;
  out.heat = out.energy * kNddoEv * kNddoKcal;
  auto net_charge = [&](int a) {
    double q = atoms[a].core;
    for (int m = first[a]; m < first[a] + atoms[a].nbf; ++m) q -= pa[m * nbf + m] + pb[m * nbf + m];
    return q;
  };
  // Dipole: net atomic charges about the centre of mass plus the s-p hybrid moments.
  double total_mass = 0, centre[3] = {0, 0, 0};
  for (int a = 0; a < natom; ++a) {
    total_mass += mol.mass[a];
    for (int k = 0; k < 3; ++k) centre[k] += mol.mass[a] * mol.xyz[3 * a + k];
  }
  for (int k = 0; k < 3; ++k) centre[k] /= total_mass > 0 ? total_mass : 1;
  for (int k = 0; k < 3; ++k) out.dipole[k] = 0;
  for (int a = 0; a < natom; ++a) {
    const int o = first[a];
    const double q = net_charge(a);
    for (int k = 0; k < 3; ++k) out.dipole[k] += q * (mol.xyz[3 * a + k] - centre[k]);
    for (int k = 1; k < atoms[a].nbf; ++k)
      out.dipole[k - 1] -= 2 * atoms[a].d1 * (pa[o * nbf + o + k] + pb[o * nbf + o + k]);
  }
  if (gradient) {
    pair_gradient(s, pa.data(), pb.data(), gradient);
    // The field pulls on each atom's net charge.
    for (int a = 0; field && a < natom; ++a) {
      const double q = net_charge(a);
      for (int k = 0; k < 3; ++k) gradient[3 * a + k] += q * field[k];
    }
  }
  return out;
}

}  // namespace ostrel
