// Localised occupied orbitals for the report: the occupied columns turned by Pipek-Mezey
// sweeps, with the Fock expectation value of each as its energy.
#include "scf/procedure/scf_report_localize.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "model/basis_record.hpp"
#include "model/matrix_print.hpp"
#include "model/molden_export.hpp"
#include "model/molecule_record.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/guess/guess_frame.hpp"

namespace ostrel {
namespace {

std::int64_t tri(std::int64_t i, std::int64_t j) { return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i; }

void packed_times(const double* p, const double* x, int n, double* y) {
  for (int mu = 0; mu < n; ++mu) {
    double sum = 0.0;
    for (int nu = 0; nu < n; ++nu) sum += p[tri(mu, nu)] * x[nu];
    y[mu] = sum;
  }
}

void put_doubles(const char* name, const double* data, std::int64_t count) {
  const Record<double> record{name};
  if (record_exists(record) && record_count(record) != count) {
    std::printf("\n record '%s' has another size: localised orbitals not stored\n", name);
    return;
  }
  record_write(record, data, count);
}

void localize_spin(const char* title, const char* c_record, const char* f_record, const char* c_out,
                   const char* e_out, const double* s, int n, int count, int natom, const int* first) {
  const std::int64_t size = std::int64_t{n} * std::max(count, 1);
  PoolArray<double> c(size), sc(size), e(std::max(count, 1)), f(std::int64_t{n} * (n + 1) / 2), fc(std::max(n, 1));
  record_read(Record<double>{c_record}, c.data(), std::int64_t{n} * count);
  for (int k = 0; k < count; ++k) packed_times(s, c.data() + std::int64_t{k} * n, n, sc.data() + std::int64_t{k} * n);
  std::printf("\n Localized orbitals%s%s\n", *title ? " " : "", title);
  localize_orbitals(c.data(), sc.data(), n, count, natom, first);
  const Record<double> fock_record{f_record};
  const bool fock = record_exists(fock_record) && record_count(fock_record) >= f.size();
  if (fock) record_read(fock_record, f.span());
  for (int k = 0; k < count; ++k) {
    e[k] = 0.0;
    if (!fock) continue;
    const double* ck = c.data() + std::int64_t{k} * n;
    packed_times(f.data(), ck, n, fc.data());
    for (int mu = 0; mu < n; ++mu) e[k] += ck[mu] * fc[mu];
  }
  put_doubles(c_out, c.data(), std::int64_t{n} * count);
  put_doubles(e_out, e.data(), count);
  print_matrix(c.data(), e.data(), n, count);
}

}  // namespace

void print_localized_orbitals(int n, int na, int nb, int restricted, int molden) {
  na = std::clamp(na, 0, n);
  nb = std::clamp(nb, 0, n);
  Molecule mol = load_molecule(0, "Molecule");
  Basis basis = load_basis(0, "Basis", mol);
  {
    PoolArray<double> s(std::max<std::int64_t>(1, std::int64_t{n} * (n + 1) / 2));
    basis_overlap(s.data());
    localize_spin(restricted ? "" : "(alpha)", "Ca", "Fa", "loc_Cna", "loc_ea", s.data(), n, na, mol.n_atoms,
                  basis.atom_first_function);
    if (!restricted)
      localize_spin("(beta)", "Cb", "Fb", "loc_Cnb", "loc_eb", s.data(), n, nb, mol.n_atoms,
                    basis.atom_first_function);
  }
  release_basis(basis);
  release_molecule(mol);
  if (molden && store_exists("loc_Cna"))
    write_molden("Molecule", "Basis", "loc_Cna", restricted ? "loc_Cna" : "loc_Cnb", "loc_ea",
                 restricted ? "loc_ea" : "loc_eb", na, nb, restricted, 1);
  std::fflush(stdout);
}

}  // namespace ostrel
