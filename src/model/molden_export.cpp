// Molden section: atoms, spherical basis and orbitals behind the "mos>" tag.
#include "model/molden_export.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "model/basis_record.hpp"
#include "model/elements.hpp"
#include "model/molecule_record.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

void put_atoms(const Molecule& mol) {
  std::printf("mos>[Atoms] AU\n");
  for (int a = 0; a < mol.n_atoms; ++a)
    std::printf("mos> %2s %3d %3d %13.8lf %13.8lf %13.8lf\n", element_symbol(mol.z[a]), a + 1,
                mol.z[a], mol.xyz[3 * a], mol.xyz[3 * a + 1], mol.xyz[3 * a + 2]);
}

// Molden expects contraction coefficients of normalised primitives; the record's refer to
// r^L Y exp(-a r^2) with Y of unit mean square, whose squared norm is
// 4 pi int r^(2L+2) exp(-2a r^2) dr.
void put_basis(const Basis& basis) {
  static const char letters[] = "spdfghij";
  std::printf("mos>[5D]\nmos>[GTO]\n");
  for (int a = 0; a < basis.n_atoms; ++a) {
    const BasisKind& k = basis.kind[a];
    std::printf("mos> %3d\n", a + 1);
    for (int s = 0; s < k.n_shells; ++s) {
      const int l = k.shell_l[s];
      int used = 0;
      for (int e = 0; e < k.n_exponents; ++e) used += k.coef[0][e * k.n_shells + s] != 0.0;
      std::printf("mos> %c %2d\n", l < 8 ? letters[l] : '?', used);
      for (int e = 0; e < k.n_exponents; ++e) {
        const double c = k.coef[0][e * k.n_shells + s];
        if (c == 0.0) continue;
        const double alpha = k.exponents[e];
        std::printf("mos> %14.8e %15.8e\n", alpha,
                    c * std::sqrt(norm_integral(2 * l + 2, 2.0 * alpha)));
      }
    }
    std::printf("mos>\n");
  }
}

// One pass of orbitals. p components are stored z, x, y and written x, y, z.
void put_orbitals(const Basis& basis, const char* vectors, const char* energies, int count,
                  const char* spin, int restricted, int n_alpha, int n_beta, bool beta_pass) {
  const std::int64_t nbf = basis.n_functions;
  PoolArray<double> e(std::max(count, 1));
  PoolArray<double> c(nbf);
  if (count > 0) record_read(Record<double>{energies}, e.data(), count);
  for (int k = 0; k < count; ++k) {
    record_read(Record<double>{vectors}, c.span(), nbf * k);
    for (int s = 0; s < basis.n_shells; ++s) {
      if (basis.shells[s].l != 1) continue;
      double* p = c.data() + basis.shells[s].first_function;
      const double z = p[0];
      p[0] = p[1];
      p[1] = p[2];
      p[2] = z;
    }
    double occupation;
    if (restricted)
      occupation = (k < n_alpha ? 1.0 : 0.0) + (k < n_beta ? 1.0 : 0.0);
    else
      occupation = k < (beta_pass ? n_beta : n_alpha) ? 1.0 : 0.0;
    std::printf("mos>Sym=C1\nmos>Ene=%14.7lf\nmos>Spin=%s\nmos>Occup=%10.8lf\n", e[k], spin,
                occupation);
    for (std::int64_t i = 0; i < nbf; ++i) std::printf("mos>%4d %10.6lf\n", static_cast<int>(i + 1), c[i]);
  }
}

}  // namespace

void write_molden(const char* molecule, const char* basis_name, const char* alpha,
                  const char* beta, const char* alpha_energies, const char* beta_energies,
                  int n_alpha, int n_beta, int restricted, int occupied_only) {
  if (!is_master) return;
  Molecule mol = load_molecule(0, molecule);
  Basis basis = load_basis(0, basis_name, mol);
  const int nbf = basis.n_functions;
  // Occupied counts beyond the basis would read past the orbital arrays.
  const int count_alpha = occupied_only ? std::clamp(n_alpha, 0, nbf) : nbf;
  const int count_beta = occupied_only ? std::clamp(n_beta, 0, nbf) : nbf;
  std::printf("mos>[Molden Format]\n");
  put_atoms(mol);
  put_basis(basis);
  std::printf("mos>[MO]\n");
  put_orbitals(basis, alpha, alpha_energies, count_alpha, "Alpha", restricted, n_alpha, n_beta,
               false);
  if (!restricted)
    put_orbitals(basis, beta, beta_energies, count_beta, "Beta", restricted, n_alpha, n_beta,
                 true);
  release_basis(basis);
  release_molecule(mol);
}

}  // namespace ostrel
