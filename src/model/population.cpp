// Overlap populations and bond orders of the orbital density (the Mulliken partition and
// the Mayer bond index, spin by spin).
#include "model/population.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "integrals/one_electron_driver.hpp"
#include "model/basis_record.hpp"
#include "model/elements.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {

namespace {

constexpr double kListedBondOrder = 0.05;

std::int64_t tri(std::int64_t i, std::int64_t j) { return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i; }

// sc = S c for k columns of length n (S packed).
void overlap_times(int n, const double* s, const double* c, int k, double* sc) {
  for (int col = 0; col < k; ++col) {
    const double* x = c + std::int64_t{col} * n;
    double* y = sc + std::int64_t{col} * n;
    for (int mu = 0; mu < n; ++mu) {
      double sum = 0.0;
      for (int nu = 0; nu < n; ++nu) sum += s[tri(mu, nu)] * x[nu];
      y[mu] = sum;
    }
  }
}

// (P S)(mu, nu) = sum_i C(mu, i) (S C)(nu, i) over k occupied orbitals.
double ps(int n, const double* c, const double* sc, int k, int mu, int nu) {
  double sum = 0.0;
  for (int i = 0; i < k; ++i) sum += c[std::int64_t{i} * n + mu] * sc[std::int64_t{i} * n + nu];
  return sum;
}

struct PopulationSettings {
  int four, na, nb, restrict;
};

}  // namespace

void population_analysis(int n, const double* s, const double* ca, int na, const double* cb,
                         int nb, const int* atom_of, int n_atoms, const double* nuclear,
                         double* charge, double* spin, double* bond) {
  PoolArray<double> sca(std::int64_t{n} * (na > 0 ? na : 1));
  PoolArray<double> scb(std::int64_t{n} * (nb > 0 ? nb : 1));
  overlap_times(n, s, ca, na, sca.data());
  overlap_times(n, s, cb, nb, scb.data());
  for (int a = 0; a < n_atoms; ++a) {
    charge[a] = nuclear[a];
    spin[a] = 0.0;
  }
  for (std::int64_t k = 0; k < std::int64_t{n_atoms} * (n_atoms + 1) / 2; ++k) bond[k] = 0.0;
  for (int mu = 0; mu < n; ++mu)
    for (int nu = 0; nu <= mu; ++nu) {
      const double pa = ps(n, ca, sca.data(), na, mu, nu), qa = ps(n, ca, sca.data(), na, nu, mu);
      const double pb = ps(n, cb, scb.data(), nb, mu, nu), qb = ps(n, cb, scb.data(), nb, nu, mu);
      bond[tri(atom_of[mu], atom_of[nu])] += 2.0 * (pa * qa + pb * qb);
      if (mu == nu) {
        charge[atom_of[mu]] -= pa + pb;
        spin[atom_of[mu]] += pa - pb;
      }
    }
}

void print_population_table(const int* z, int n_atoms, const double* charge, const double* spin,
                            const double* bond) {
  const std::vector<std::string> labels = atom_labels(z, n_atoms);
  std::printf("\n Overlap populations:\n  atom    charge   spin p.\n");
  for (int a = 0; a < n_atoms; ++a)
    std::printf(" %-5s   %7.4lf %9.5lf\n", labels[a].c_str(), charge[a], spin[a]);
  std::printf("\n   Bond orders:");
  for (int a = 0; a < n_atoms; ++a) {
    std::printf("\n  %-5s |", labels[a].c_str());
    int listed = 0;
    for (int b = 0; b < n_atoms; ++b) {
      if (b == a) continue;
      const double order = bond[tri(a, b)];
      if (!(std::fabs(order) > kListedBondOrder)) continue;
      const char* separator = (listed > 0 && listed % 4 == 0) ? "\n        |  " : "  ";
      std::printf("%s%-5s: %5.2lf", separator, labels[b].c_str(), order);
      ++listed;
    }
  }
  std::printf("\n");
}

void print_populations() {
  PopulationSettings p{};
  if (is_master) {
    p.four = record_get(rec::four);
    p.na = record_field(rec::Na, &PerStructure::whole);
    p.nb = record_field(rec::Nb, &PerStructure::whole);
    p.restrict = record_get(rec::restricted);
  }
  mp_bcast(&p, sizeof p / sizeof(int), MP_INT);

  // The overlap matrix of the current structure, built by all nodes together.
  const Record<double> kOverlap = rec::pop_S;
  OneElectronRecords records;
  records.overlap = kOverlap.name;
  records.hamiltonian = nullptr;
  records.kinetic = nullptr;
  records.moments = nullptr;
  const double no_field[3] = {0.0, 0.0, 0.0};
  one_electron_integrals(records, nullptr, no_field, nullptr, p.four, 0.0);
  if (!is_master) return;

  Molecule mol = load_molecule(0, "Molecule");
  Basis basis = load_basis(0, "Basis", mol);
  const int n = basis.n_functions;
  {
    PoolArray<double> s(std::int64_t{n} * (n + 1) / 2);
    record_read(kOverlap, s.span());
    record_free(kOverlap);
    if (p.na < 0 || p.nb < 0 || p.na > n || p.nb > n)
      std::printf("\n occupied orbitals %d/%d beyond the basis of %d: no populations\n", p.na, p.nb, n);
    else {
      PoolArray<double> ca(std::int64_t{n} * (p.na > 0 ? p.na : 1));
      PoolArray<double> cb(std::int64_t{n} * (p.nb > 0 ? p.nb : 1));
      record_read(rec::Ca, ca.data(), std::int64_t{n} * p.na);
      record_read(p.restrict ? rec::Ca : rec::Cb, cb.data(), std::int64_t{n} * p.nb);
      PoolArray<int> atom_of(n > 0 ? n : 1);
      for (int a = 0; a < mol.n_atoms; ++a)
        for (int mu = basis.atom_first_function[a]; mu < basis.atom_first_function[a + 1]; ++mu)
          atom_of[mu] = a;
      PoolArray<double> charge(mol.n_atoms), spin(mol.n_atoms);
      PoolArray<double> bond(std::int64_t{mol.n_atoms} * (mol.n_atoms + 1) / 2);
      population_analysis(n, s.data(), ca.data(), p.na, cb.data(), p.nb, atom_of.data(), mol.n_atoms,
                          mol.charge, charge.data(), spin.data(), bond.data());
      print_population_table(mol.z, mol.n_atoms, charge.data(), spin.data(), bond.data());
    }
  }
  release_basis(basis);
  release_molecule(mol);
  std::fflush(stdout);
}

// Charges carried by the s-type functions of the fitted density: only they integrate to
// anything, so each atom's share is the sum over its own s functions.
namespace {

// Integral over all space of an s-type contracted function.
double s_function_integral(const ShellSlot& shell) {
  double g = 0.0;
  for (int k = 0; k < shell.n_primitives; ++k) g += shell.coef[0][k] * norm_integral(2, shell.exponent[k]);
  return g;
}

// Reads the first m coefficients of `name`, or zeros when the record is missing.
void read_coefficients(const char* name, PoolArray<double>& c, int m) {
  for (int k = 0; k < m; ++k) c[k] = 0.0;
  if (record_exists(Record<double>{name})) record_read(Record<double>{name}, c.data(), m);
}

// Runs `body(atom, function, g)` over the s functions of every atom in order.
template <class Body>
void for_each_s_function(const Basis& fit, int n_atoms, Body body) {
  for (int a = 0; a < n_atoms; ++a)
    for (int sh = fit.atom_first_shell[a]; sh < fit.atom_first_shell[a + 1]; ++sh)
      if (fit.shells[sh].l == 0) body(a, fit.shells[sh].first_function, s_function_integral(fit.shells[sh]));
}

}  // namespace

void print_density_expansion() {
  Molecule mol = load_molecule(0, "Molecule");
  Basis fit = load_basis(0, "Basis2", mol);
  const int m = fit.n_functions;
  {
    PoolArray<double> da(m > 0 ? m : 1), db(m > 0 ? m : 1), atomic(m > 0 ? m : 1);
    read_coefficients("da", da, m);
    read_coefficients("db", db, m);
    read_coefficients("atomic_d", atomic, m);
    PoolArray<double> sums(3 * std::int64_t{mol.n_atoms});  // alpha, beta, atomic per atom
    for (auto& x : sums) x = 0.0;
    std::printf(" density expansion coefficients\n L=0 components:\n"
                " at.    alpha     beta      total     spin    deform. \n");
    for_each_s_function(fit, mol.n_atoms, [&](int a, int k, double g) {
      const double qa = g * da[k], qb = g * db[k], q0 = g * atomic[k];
      std::printf("%4d%10.5lf%10.5lf%10.5lf%10.5lf%10.5lf\n", a + 1, qa, qb, qa + qb, qa - qb, qa + qb - q0);
      sums[3 * a] += qa;
      sums[3 * a + 1] += qb;
      sums[3 * a + 2] += q0;
    });
    std::printf(" totals:\n");
    double total_a = 0.0, total_b = 0.0;
    for (int a = 0; a < mol.n_atoms; ++a) {
      const double qa = sums[3 * a], qb = sums[3 * a + 1], q0 = sums[3 * a + 2];
      std::printf("%4d            %10.5lf%10.5lf%10.5lf%10.5lf%10.5lf\n", a + 1, qa, qb, qa + qb, qa - qb,
                  qa + qb - q0);
      total_a += qa;
      total_b += qb;
    }
    std::printf("                %10.5lf%10.5lf%10.5lf\n\n", total_a, total_b, total_a + total_b);
  }
  release_basis(fit);
  release_molecule(mol);
  std::fflush(stdout);
}

void print_fitted_charges() {
  Molecule mol = load_molecule(0, "Molecule");
  Basis fit = load_basis(0, "Basis2", mol);
  const int m = fit.n_functions;
  {
    PoolArray<double> da(m > 0 ? m : 1), db(m > 0 ? m : 1);
    read_coefficients("da", da, m);
    read_coefficients("db", db, m);
    PoolArray<double> charge(mol.n_atoms), spin(mol.n_atoms);
    for (int a = 0; a < mol.n_atoms; ++a) {
      charge[a] = mol.charge[a];
      spin[a] = 0.0;
    }
    for_each_s_function(fit, mol.n_atoms, [&](int a, int k, double g) {
      charge[a] -= g * (da[k] + db[k]);
      spin[a] += g * (da[k] - db[k]);
    });
    const std::vector<std::string> labels = atom_labels(mol.z, mol.n_atoms);
    std::printf("\n Atomic partitions of the density:\n   atom    charge    spin\n");
    for (int a = 0; a < mol.n_atoms; ++a)
      std::printf("  %-5s %9.5lf %9.5lf\n", labels[a].c_str(), charge[a], spin[a]);
  }
  release_basis(fit);
  release_molecule(mol);
  std::fflush(stdout);
}

}  // namespace ostrel
