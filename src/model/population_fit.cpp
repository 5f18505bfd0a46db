// Charges carried by the s-type functions of the fitted density: only they integrate to
// anything, so each atom's share is the sum over its own s functions.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/atom_labels.hpp"
#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "model/population.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
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
