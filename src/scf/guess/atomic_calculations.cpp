#include "scf/guess/atomic_calculations.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "input/element_table.hpp"
#include "input/theory_class.hpp"
#include "integrals/basis_adapter.hpp"
#include "integrals/coulomb_fit.hpp"
#include "linalg/small_solvers.hpp"
#include "model/elements.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "scf/guess/atomic_scf.hpp"

namespace ostrel {
namespace {

long tri(long n) { return n * (n + 1) / 2; }

// A record left by an earlier call of the same run keeps its place; it must be large enough.
template <class T>
void put_record(Record<T> record, const Same<T>* data, std::int64_t count) {
  if (!record_exists(record))
    record_alloc(record, count);
  else if (record_count(record) < count)
    fatal_error("\n %s: record too small for %lld values\n", record.name, static_cast<long long>(count));
  if (count > 0) record_write(record, data, count);
}

// Subshells a core potential replaces, taken whole in the order of the principal quantum
// number and then l (1s, 2s, 2p, 3s, 3p, 3d, 4s, ...), which matches the usual core sizes.
struct CoreRemoval {
  int shells[kAtomMaxL + 1];
  double electrons[kAtomMaxL + 1];
};
CoreRemoval core_removal(int n_core) {
  CoreRemoval r{};
  int left = n_core;
  for (int nq = 1; left > 0 && nq <= 10; ++nq)
    for (int l = 0; l < nq && l <= kAtomMaxL && left > 0; ++l) {
      const int cap = 2 * (2 * l + 1);
      const int take = std::min(left, cap);
      r.electrons[l] += take;
      if (take == cap) ++r.shells[l];
      left -= take;
    }
  return r;
}

bool same_doubles(const double* a, const double* b, long n) {
  return std::memcmp(a, b, sizeof(double) * static_cast<std::size_t>(n)) == 0;
}

// Atoms share a solution when element, functions and core potential agree exactly.
bool same_kind(const Molecule& mol, const AtomSet& orb, const EcpBlock* ecp, int a, int b) {
  if (mol.z[a] != mol.z[b] || mol.charge[a] != mol.charge[b]) return false;
  const double na = mol.point ? 0.0 : mol.nucleus_a[a], nb = mol.point ? 0.0 : mol.nucleus_a[b];
  if (na != nb) return false;
  const AtomFunctions& x = orb.atoms[a];
  const AtomFunctions& y = orb.atoms[b];
  if (x.nexp != y.nexp || x.nshell != y.nshell || x.nfunc != y.nfunc) return false;
  if (!same_doubles(x.exponents, y.exponents, x.nexp)) return false;
  if (!same_doubles(x.coefficients, y.coefficients, static_cast<long>(x.nexp) * x.nshell)) return false;
  for (int s = 0; s < x.nshell; ++s)
    if (x.shell_l[s] != y.shell_l[s]) return false;
  if (ecp) return std::memcmp(&ecp[a], &ecp[b], sizeof(EcpBlock)) == 0;
  return true;
}

// Counts of the minimal basis of one atom per l: shells and core shells kept after the core
// potential, limited by the channel's solutions.
struct MinimalShells {
  int shells[kAtomMaxL + 1];
  int core[kAtomMaxL + 1];
};
MinimalShells minimal_shells(const int* entry, const CoreRemoval& removed, const AtomSolution& sol) {
  MinimalShells m{};
  for (int l = 0; l <= std::min(7, kAtomMaxL); ++l) {
    const int available = l <= sol.lmax ? sol.channel[l].count : 0;
    const int shells = std::max(0, entry[EL_SHELLS + l] - removed.shells[l]);
    const int core = std::max(0, entry[EL_CORE + l] - removed.shells[l]);
    m.shells[l] = std::min(shells, available);
    m.core[l] = std::min(std::min(core, shells), available);
  }
  return m;
}

// Coulomb-metric fit of one atom's density by its own fitting functions.
void fit_atom(const AtomFunctions& orb, const AtomFunctions& aux, const double* density, double* d) {
  const int n = orb.nfunc, m = aux.nfunc;
  if (m == 0) return;
  const int first_orb[2] = {0, n}, first_aux[2] = {0, m};
  const AtomSet o{1, &orb, first_orb}, x{1, &aux, first_aux};
  PoolArray<double> gamma(m), metric(tri(m)), u(static_cast<long>(m) * m), lambda(m);
  for (int k = 0; k < m; ++k) gamma[k] = 0.0;
  for (long k = 0; k < tri(m); ++k) metric[k] = 0.0;
  fit_projection(Interaction::coulomb, o, x, FitPairs{}, 1e-16, 1, density, gamma.data());
  fit_metric(Interaction::coulomb, x, 0, 1, metric.data());
  eigen_jacobi(metric.data(), u.data(), lambda.data(), m, 0);
  for (int k = 0; k < m; ++k) d[k] = 0.0;
  const double floor = 1e-12 * lambda[m - 1];
  for (int j = 0; j < m; ++j) {
    if (lambda[j] <= floor) continue;
    double t = 0.0;
    for (int k = 0; k < m; ++k) t += u[static_cast<long>(j) * m + k] * gamma[k];
    t /= lambda[j];
    for (int k = 0; k < m; ++k) d[k] += t * u[static_cast<long>(j) * m + k];
  }
}

void store_results(const Molecule& mol, const Basis& basis, const AtomSet& orb, const AtomSet& aux, int nfit,
                   const int* table, const int* kind, const int* representative, int nkind,
                   const AtomSolution* solutions, const CoreRemoval* removal);

void run_atoms() {
  Molecule mol = load_molecule(0, "Molecule");
  Basis basis = load_basis(0, "Basis", mol);
  const int nfit = record_get_or(rec::Nfit, 0);
  const int necp = record_get_or(rec::Necp, 0);
  Basis fit{};
  if (nfit > 0) fit = load_basis(0, "Basis2", mol);
  {
    const int natom = mol.n_atoms;
    PoolArray<int> table(kElementCount * kElementFields);
    record_read(rec::Atoms, table.span());
    XcFunctional functional;
    if (record_exists(rec::functional)) {
      functional = xc_store_read();
    } else {
      const double p[32] = {};
      const std::int32_t ni[5] = {};
      functional = xc_cleared(p, ni);
      xc_lookup("LSD", functional);
    }
    // The free atoms have no exact exchange: its share goes to the functional's own exchange
    // (or to Slater exchange when there is none), so the atoms stay bound as tightly.
    if (functional.a_hf > 0.0) {
      if (functional.x_code == XC_X_NONE) {
        functional.x_code = XC_X_SLATER;
        functional.a_x = functional.a_hf;
      } else {
        functional.a_x += functional.a_hf;
      }
      functional.a_hf = 0.0;
    }
    const bool print = record_exists(rec::PRINT) && print_option("PRINT", "ATOMIC", 0) > 0;

    BasisViews views(basis, mol);
    PoolArray<AtomFunctions> aux_atoms(std::max(1, natom));
    AtomSet aux{};
    if (nfit > 0) aux = atom_set_from_basis(fit, mol, aux_atoms.data());
    PoolArray<EcpBlock> ecp(std::max(1, natom));
    // Pool memory holds whatever was there before: no core potentials must read as none.
    std::memset(static_cast<void*>(ecp.data()), 0, sizeof(EcpBlock) * ecp.size());
    if (necp > 0) record_read(rec::ECP, ecp.data(), natom);
    PotentialViews potentials(ecp.data(), mol);

    // Kinds in order of first appearance.
    PoolArray<int> kind(std::max(1, natom)), representative(std::max(1, natom));
    int nkind = 0;
    for (int a = 0; a < natom; ++a) {
      kind[a] = -1;
      for (int k = 0; k < nkind && kind[a] < 0; ++k)
        if (same_kind(mol, views.atoms, necp > 0 ? ecp.data() : nullptr, a, representative[k])) kind[a] = k;
      if (kind[a] < 0) {
        representative[nkind] = a;
        kind[a] = nkind++;
      }
    }

    if (print) std::printf(" atomic solutions:\n");
    PoolArray<AtomSolution> solutions(std::max(1, nkind));
    PoolArray<CoreRemoval> removal(std::max(1, nkind));
    for (int k = 0; k < nkind; ++k) {
      const int a = representative[k];
      const int z = mol.z[a];
      const int* entry =
          table.data() + static_cast<long>(std::clamp(z, 0, kElementCount - 1)) * kElementFields;
      const int n_core = necp > 0 ? ecp[a].n_core : 0;
      removal[k] = core_removal(n_core);
      AtomProblem p{};
      p.functions = views.atoms.atoms[a];
      p.shells = basis.shells + basis.atom_first_shell[a];
      p.n_shells = basis.atom_first_shell[a + 1] - basis.atom_first_shell[a];
      p.function_base = basis.atom_first_function[a];
      p.charge = mol.charge[a];
      p.nucleus_exponent = mol.point ? 0.0 : mol.nucleus_a[a];
      for (int i = 0; i < potentials.potentials.count; ++i)
        if (potentials.potentials.atom[i] == a) p.potential = potentials.potentials.potentials + i;
      for (int l = 0; l <= std::min(7, kAtomMaxL); ++l)
        p.electrons[l] = std::max(0.0, entry[EL_ELECTRONS + l] - removal[k].electrons[l]);
      p.functional = functional;
      if (print) std::printf(" %4d %2s\n", a + 1, element_symbol(z));
      solutions[k] = solve_atom(p);
      if (!solutions[k].converged)
        std::printf(" atomic calculation of atom %d (%s) did not converge\n", a + 1, element_symbol(z));
    }

    store_results(mol, basis, views.atoms, aux, nfit, table.data(), kind.data(), representative.data(), nkind,
                  solutions.data(), removal.data());
    for (int k = nkind - 1; k >= 0; --k) release_atom_solution(solutions[k]);
  }
  if (nfit > 0) release_basis(fit);
  release_basis(basis);
  release_molecule(mol);
}

// Densities, their fits and the minimal-basis orbitals of the solved kinds.
void store_results(const Molecule& mol, const Basis& basis, const AtomSet& orb, const AtomSet& aux, int nfit,
                   const int* table, const int* kind, const int* representative, int nkind,
                   const AtomSolution* solutions, const CoreRemoval* removal) {
  const int natom = mol.n_atoms, nbasis = basis.n_functions;
  {
    long dsize = 0;
    for (int a = 0; a < natom; ++a) dsize += tri(orb.atoms[a].nfunc);
    PoolArray<double> blocks(std::max(1L, dsize));
    long at = 0;
    for (int a = 0; a < natom; ++a) {
      const AtomSolution& s = solutions[kind[a]];
      for (long i = 0; i < tri(s.n_functions); ++i) blocks[at + i] = s.density[i];
      at += tri(s.n_functions);
    }
    put_record(rec::atomic_D, blocks.data(), dsize);
    PoolArray<double> energies(std::max(1, natom));
    for (int a = 0; a < natom; ++a) energies[a] = solutions[kind[a]].energy;
    put_record(rec::atomic_E, energies.data(), natom);
    if (nfit > 0) {
      int largest = 1;
      for (int a = 0; a < natom; ++a) largest = std::max(largest, aux.atoms[a].nfunc);
      PoolArray<double> d(nfit), per_kind(largest);
      for (int k = 0; k < nkind; ++k) {
        const int r = representative[k];
        fit_atom(orb.atoms[r], aux.atoms[r], solutions[k].density, per_kind.data());
        for (int a = 0; a < natom; ++a)
          if (kind[a] == k)
            for (int i = 0; i < aux.atoms[a].nfunc; ++i) d[aux.first_function[a] + i] = per_kind[i];
      }
      put_record(rec::atomic_d, d.data(), nfit);
      for (int i = 0; i < nfit; ++i) d[i] *= 0.5;
      put_record(rec::da, d.data(), nfit);
      put_record(rec::db, d.data(), nfit);
    }

    // Minimal basis: per atom the core orbitals, then the valence ones.
    int m = 0, mcore = 0;
    for (int a = 0; a < natom; ++a) {
      const int* entry =
          table + static_cast<long>(std::clamp(mol.z[a], 0, kElementCount - 1)) * kElementFields;
      const MinimalShells ms = minimal_shells(entry, removal[kind[a]], solutions[kind[a]]);
      for (int l = 0; l <= std::min(7, kAtomMaxL); ++l) {
        m += (2 * l + 1) * ms.shells[l];
        mcore += (2 * l + 1) * ms.core[l];
      }
    }
    PoolArray<double> ao(std::max(1L, static_cast<long>(nbasis) * m)), energy(std::max(1, m));
    PoolArray<int> label(std::max(1, 2 * m));
    for (long i = 0; i < static_cast<long>(nbasis) * m; ++i) ao[i] = 0.0;
    int col = 0;
    for (int a = 0; a < natom; ++a) {
      const AtomSolution& s = solutions[kind[a]];
      const AtomFunctions& f = orb.atoms[a];
      const int base = basis.atom_first_function[a];
      const int* entry =
          table + static_cast<long>(std::clamp(mol.z[a], 0, kElementCount - 1)) * kElementFields;
      const MinimalShells ms = minimal_shells(entry, removal[kind[a]], s);
      for (int pass = 0; pass < 2; ++pass)
        for (int l = 0; l <= std::min(7, s.lmax); ++l) {
          const AtomChannel& c = s.channel[l];
          const int from = pass == 0 ? 0 : ms.core[l], to = pass == 0 ? ms.core[l] : ms.shells[l];
          for (int k = from; k < to; ++k)
            for (int q = 0; q <= 2 * l; ++q) {
              double* v = ao.data() + static_cast<long>(col) * nbasis;
              for (int i = 0; i < c.n_shells; ++i)
                v[base + f.shell_first[c.shell[i]] + q] = c.coef[i + c.n_shells * k];
              energy[col] = c.energy[k];
              label[2 * col] = a;
              label[2 * col + 1] = pass == 0;
              ++col;
            }
        }
    }
    put_record(rec::atomic_ao, ao.data(), std::int64_t{nbasis} * m);
    put_record(rec::atomic_ae, energy.data(), m);
    put_record(rec::atomic_al, label.data(), 2L * m);
    const AtomicOrbitalCounts counts{m, mcore};
    put_record(rec::atomic_M, &counts, 1);
  }
}

}  // namespace

void atomic_calculations() {
  timer("atomic calculations", '-');
  if (is_master) run_atoms();
  timer("atomic calculations", '+');
}

void core_orbitals() {
  if (!is_master) return;
  const AtomicOrbitalCounts counts = record_get(rec::atomic_M);
  const int nbasis = record_get(rec::Nbasis);
  const int m = counts.orbitals;
  PoolArray<double> ao(std::max(1L, static_cast<long>(nbasis) * m));
  PoolArray<int> label(std::max(1, 2 * m));
  record_read(rec::atomic_ao, ao.data(), std::int64_t{nbasis} * m);
  record_read(rec::atomic_al, label.data(), 2L * m);
  PoolArray<double> core(std::max(1L, static_cast<long>(nbasis) * counts.core));
  int n = 0;
  for (int j = 0; j < m; ++j)
    if (label[2 * j + 1]) {
      for (int i = 0; i < nbasis; ++i)
        core[static_cast<long>(n) * nbasis + i] = ao[static_cast<long>(j) * nbasis + i];
      ++n;
    }
  put_record(rec::C_core, core.data(), std::int64_t{nbasis} * n);
}

}  // namespace ostrel
