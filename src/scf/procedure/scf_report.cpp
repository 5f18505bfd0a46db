// The report after an SCF: energy components, dipole, then the listings the print options
// ask for, in a fixed order.
#include "scf/procedure/scf_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "input/theory_class.hpp"
#include "model/matrix_print.hpp"
#include "model/molden_export.hpp"
#include "model/molecule_record.hpp"
#include "model/population.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/grid/grid_print.hpp"
#include "scf/grid/grid_record.hpp"
#include "scf/procedure/scf_report_localize.hpp"
#include "scf/procedure/scf_report_minimal.hpp"

namespace ostrel {
namespace {

constexpr double kDebyePerAu = 2.541766;
constexpr int kListedOrbitals = 8;

struct ReportSettings {
  int n_atoms, n_basis, na, nb, four, restrict, closed, fit, dft;
};

int get_int_or(const char* name, int fallback) {
  return record_get_or(Record<int>{name}, fallback);
}

double get_double(const char* name) { return record_get(Record<double>{name}); }

ReportSettings read_and_print_energies(const char* theory) {
  ReportSettings r{};
  if (is_master) {
    r.n_atoms = record_field(rec::Natom, &PerStructure::whole);
    r.n_basis = record_get(rec::Nbasis);
    r.na = record_field(rec::Na, &PerStructure::whole);
    r.nb = record_field(rec::Nb, &PerStructure::whole);
    r.four = record_get(rec::four);
    r.restrict = record_get(rec::restricted);
    r.closed = get_int_or("closed", r.restrict && r.na == r.nb);
    r.fit = std::strncmp(theory, "RI", 2) == 0 ? 0 : get_int_or("fit", 0);
    r.dft = theory_in_class(theory, "DFT");
    std::printf("\n  E  = %16.8lf\n  T  = %16.8lf  V  = %16.8lf  J  = %16.8lf\n  Ex = %16.8lf  Ec = %16.8lf\n",
                get_double("Energy"), get_double("ET"), get_double("Ev"), get_double("EJ"), get_double("Ex"),
                get_double("Ec"));
    if (r.four > 1) std::printf("  small component charge = %10.6lf\n", get_double("Q1"));
    double dipole[3];
    record_read(rec::Dipole, dipole, 3);
    const double length = std::sqrt(dipole[0] * dipole[0] + dipole[1] * dipole[1] + dipole[2] * dipole[2]);
    std::printf("\n  dipole = %10.6lf au (%10.6lf D)\n", length, length * kDebyePerAu);
  }
  mp_bcast(&r, sizeof r / sizeof(int), MP_INT);
  return r;
}

void print_energy_list(const double* e, int first, int count) {
  for (int j = 0; j < count; ++j) std::printf("%c%4d%13.6lf", j % 4 == 0 ? '\n' : ' ', first + j + 1, e[first + j]);
}

// Highest occupied and lowest virtual orbital energies of one spin; all of them unless the
// short form is asked for.
void print_orbital_energies(const char* spin, const char* record, int n, int occupied, bool short_form) {
  occupied = std::clamp(occupied, 0, n);
  const int virtuals = n - occupied;
  const int ko = short_form ? std::min(kListedOrbitals, occupied) : occupied;
  const int kv = short_form ? std::min(kListedOrbitals, virtuals) : virtuals;
  PoolArray<double> e(n > 0 ? n : 1);
  record_read(Record<double>{record}, e.data(), n);
  std::printf("\n One-Electron Energies %s", spin);
  std::printf("\n occupied:");
  print_energy_list(e.data(), occupied - ko, ko);
  std::printf("\n virtual:");
  print_energy_list(e.data(), occupied, kv);
  std::printf("\n");
}

void print_density_matrix(const char* title, const char* record, int n) {
  PoolArray<double> d(std::int64_t{n} * (n + 1) / 2);
  record_read(Record<double>{record}, d.span());
  std::printf("\n %s\n", title);
  print_dense_matrix(d.data(), n, n, 0);
}

void print_vectors(const char* title, const char* c_record, const char* e_record, int n) {
  PoolArray<double> c(std::int64_t{n} * n), e(n > 0 ? n : 1);
  record_read(Record<double>{c_record}, c.span());
  record_read(Record<double>{e_record}, e.data(), n);
  std::printf("\n Eigenvectors %s\n", title);
  print_matrix(c.data(), e.data(), n, n);
}

void print_grid_orders() {
  if (!record_exists(rec::Grid)) {
    std::printf("\n no integration grid to print\n");
    return;
  }
  Molecule mol = load_molecule(0, "Molecule");
  Grid grid = grid_read(0);
  grid_print(grid, mol.z);
  grid_release(grid);
  release_molecule(mol);
}

// The fitted-density listings need the fitting basis and its coefficients.
bool fitted_density_present() {
  if (record_exists(rec::Basis2) && record_exists(rec::da) && record_exists(rec::db)) return true;
  std::printf("\n no fitted density to analyse\n");
  return false;
}

void not_available(const char* word) {
  if (is_master) std::printf("\n print option %s: this analysis is not available in this build\n", word);
}

bool on(const char* word) { return print_option("PRINT", word, 1) > 0; }

}  // namespace

void scf_report(const char* theory) {
  const ReportSettings r = read_and_print_energies(theory);
  const int n = r.n_basis;

  const int energies = print_option("PRINT", "ENERGIES", 1);
  if (energies >= 0 && is_master) {
    const bool short_form = energies == 0 && r.dft;
    print_orbital_energies("(alpha)", "ea", n, r.na, short_form);
    if (!r.restrict) print_orbital_energies("(beta)", "eb", n, r.nb, short_form);
  }
  if (on("BONDS")) print_populations();
  if (on("CHARGES") && is_master) {
    if (fitted_density_present()) print_fitted_charges();
  }
  for (const char* word : {"VDW", "DENSITY", "ISODENSITY"})
    if (on(word)) not_available(word);
  if (on("MATRIX") && is_master) {
    print_density_matrix(r.closed ? "Density matrix" : "Density matrix (alpha)", "Da", n);
    if (!r.closed) print_density_matrix("Density matrix (beta)", "Db", n);
  }
  if (on("MINIMAL")) {
    if (r.four > 1) {
      if (is_master) fatal_error("\n print option MINIMAL needs four < 2\n");
      fatal_stop();
    }
    print_minimal_projection(n, r.restrict);
  }
  if (on("PLOT")) not_available("PLOT");
  const bool molden = print_option("PRINT", "MOLDEN", 1) > 0;
  if (on("VECTORS") && is_master) {
    print_vectors("(alpha)", "Ca", "ea", n);
    if (!r.restrict) print_vectors("(beta)", "Cb", "eb", n);
    if (molden)
      write_molden("Molecule", "Basis", "Ca", r.restrict ? "Ca" : "Cb", "ea", r.restrict ? "ea" : "eb", r.na, r.nb,
                   r.restrict, 0);
  }
  if (on("LOCALIZE")) {
    if (r.four != 0)
      not_available("LOCALIZE");
    else if (is_master)
      print_localized_orbitals(n, r.na, r.nb, r.restrict, molden);
  }
  if (on("FIT") && is_master) {
    if (fitted_density_present()) print_density_expansion();
  }
  if (on("GRID") && is_master) print_grid_orders();
  if (on("EFG")) not_available("EFG");
  if (on("ESR") && !r.closed) not_available("ESR");
  if (on("DIPOLE")) not_available("DIPOLE");
  if (is_master) std::fflush(stdout);
}

}  // namespace ostrel
