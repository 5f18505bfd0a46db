#include "scf/procedure/scf_options.hpp"

#include "integrals/fit_driver.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "input/element_table.hpp"
#include "integrals/fit_driver.hpp"
#include "input/group.hpp"
#include "input/theory_class.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/xc/dft_options.hpp"
#include "scf/grid/grid_options.hpp"
#include "scf/procedure/scf_electrons.hpp"

namespace ostrel {
namespace {

bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

bool is_multiconfiguration(const char* theory) {
  for (const char* name : {"MCSCF", "CASSCF", "CASPT2", "CASMP2", "GCI", "MRCISD"})
    if (same(theory, name)) return true;
  return false;
}

int procedure_code(char* text) {
  for (char* c = text; *c; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  if (same(text, "BFGS")) return 1;
  if (same(text, "NR")) return 2;
  if (same(text, "DIIS")) return -1;
  fatal_error("*** error in '$scf' : unknown procedure %s\n", text);
}

void apply_convergence(double c[2]) {
  if (c[0] < 0.0) {
    c[0] = 1e-6;
    c[1] = 1e-3;
    return;
  }
  c[0] = std::max(c[0], 1e-12);
  c[1] = c[1] < 0.0 ? std::max(1e-3, 1000.0 * c[0]) : std::max(c[1], c[0]);
}

void apply_cutij(double c[2], bool dft) {
  c[0] = c[0] < 0.0 ? 1e-10 : std::max(c[0], 1e-15);
  if (c[1] < 0.0)
    c[1] = (dft ? 10000.0 : 100.0) * c[0];
  else
    c[0] = std::max(c[0], 1e-10);
}

template <class T>
void put(const char* name, const T* values, int count) {
  const std::int64_t bytes = std::int64_t{sizeof(T)} * count;
  const Record<T> record{name};
  if (record_exists(record) && store_size(name) != bytes) fatal_error("\n record '%s' has %lld bytes\n", name, static_cast<long long>(store_size(name)));
  record_write(record, values, count);
}
template <class T>
void put1(const char* name, T value) { put(name, &value, 1); }

void create(const char* name, std::int64_t doubles) {
  record_ensure(Record<double>{name}, doubles);
}

void write_records(const ScfOptions& o, const ScfContext& c, const int nactive[2]) {
  put("Na", c.na, 2);
  put("Nb", c.nb, 2);
  put("Ncore", o.core, 2);
  put("Nactive", nactive, 2);
  xc_store_write(o.functional);
  put1("restrict", o.restricted);
  put1("closed", o.closed);
  put1("direct", o.direct);
  put1("v_typ", o.storage);
  put1("v_alg", o.routine);
  put1("fitxc", o.fitxc);
  put1("d1small", o.d1small);
  put1("d2loc", o.d2local);
  put1("d2svs", o.d2svs);
  put1("N3fit", o.n3fit);
  put("convergence", o.convergence, 2);
  put("iterations", o.iterations, 2);
  put1("scf_procedure", o.procedure);
  put("cutij", o.cutij, 2);
  put1("ricut", o.ricut);
  put1("scf.xmax", o.xmax);
  put1("form_d2Exc", o.d2exc);
  put1("use_d2Exc", 0);
  put("scf_Gmax", o.convergence, 2);
  put1("scf_iter", 0);
  const int diag[2] = {o.diag, o.diag};
  put("scf_diag", diag, 2);
  for (const char* name : {"Enn", "ET", "Ev", "EJ", "Ex", "Ec", "ESCF", "Q1"}) put1(name, 0.0);
  const int evaluations[2] = {0, 0};  // Fock matrices and first-order Fock matrices
  put("NevalF", evaluations, 2);
  for (const char* name : {"ID1", "ND1", "NCPSCF", "useD1", "Derivative"}) put1(name, 0);

  const std::int64_t t = std::int64_t{c.nbasis} * (c.nbasis + 1) / 2;
  const std::int64_t n = o.density_sets;
  const bool two = c.four > 1;
  for (const char* name : {"Da", "Db", "Fa", "Fb"}) create(name, t * n * (two ? 2 : 1));
  for (const char* name : {"D", "H0"}) create(name, t * (two ? 4 : 1));
  for (const char* name : {"W", "S"}) create(name, t * (two ? 2 : 1));
  if (c.nfit > 0) {
    const std::int64_t m = c.nfit;
    for (const char* name : {"da", "db", "d", "v"}) create(name, n * m);
    for (const char* name : {"fa", "fb"}) create(name, (n + 1) * m);
    create("s", 4 * m);
    create("p", m);
    create("ua", 1);
    create("ub", 1);
    if (o.n3fit) create("invA", m * (m + 1) / 2);
  }
  const int grid = theory_in_class(c.theory, "GRID");
  for (const char* name : {"grid", "grid_adapt", "grid_new"}) put1(name, grid);
}

ScfContext read_context(const ScfElectrons& e) {
  ScfContext c{};
  record_read(rec::theory, c.theory, 64);
  c.theory[63] = '\0';
  c.four = record_get(rec::four);
  c.fit = record_get(rec::fit);
  c.nbasis = record_get(rec::Nbasis);
  c.nbasis1 = record_get_or(rec::Nbasis1, 0);
  c.nfit = record_get_or(rec::Nfit, 0);
  std::copy(e.na, e.na + 2, c.na);
  std::copy(e.nb, e.nb + 2, c.nb);
  std::copy(e.ncore, e.ncore + 2, c.ncore);
  return c;
}

}  // namespace

ScfOptions scf_read_options(std::FILE* input, const ScfContext& c) {
  const bool dft = theory_in_class(c.theory, "DFT") != 0;
  ScfOptions o{};
  o.restricted = -1;
  o.core[0] = c.ncore[0];
  o.core[1] = c.ncore[1];
  o.convergence[0] = o.convergence[1] = -1.0;
  o.fitxc = c.fit;
  char procedure[64] = "";
  o.iterations[0] = o.iterations[1] = -1;
  o.xmax = 0.125;
  o.diag = 2;
  o.n3fit = c.fit;
  o.d2svs = 1;
  o.d2exc = c.fit;
  const InputVar scf[] = {
      {"restrict", IN_INT, 1, &o.restricted},
      {"core", IN_INT, 2, o.core},
      {"convergence", IN_REAL, 2, o.convergence},
      {"fitxc", IN_INT, 1, &o.fitxc},
      {"procedure", IN_TEXT, sizeof procedure, procedure},
      {"iterations", IN_INT, 2, o.iterations},
      {"xmax", IN_REAL, 1, &o.xmax},
      {"diagm", IN_INT, 1, &o.diag},
      {"d1small", IN_INT, 1, &o.d1small},
      {"n3fit", IN_INT, 1, &o.n3fit},
      {"d2local", IN_INT, 1, &o.d2local},
      {"d2svs", IN_INT, 1, &o.d2svs},
      {"d2exc", IN_INT, 1, &o.d2exc},
  };
  read_group(input, "scf", 13, scf);
  apply_convergence(o.convergence);
  if (o.restricted == -1) o.restricted = c.na[0] == c.nb[0];
  // A given core larger than the beta electrons would freeze orbitals that are not occupied
  // (the default with core potentials counts the replaced orbitals, which Nb no longer holds).
  for (int s = 0; s < 2; ++s)
    if (o.core[s] != c.ncore[s] && (o.core[s] < 0 || o.core[s] > c.nb[s]))
      fatal_error("*** error in '$scf' : core=%d outside 0..%d\n", o.core[s], c.nb[s]);

  o.cutij[0] = o.cutij[1] = -1.0;
  o.ricut = 1e-10;
  o.direct = -1;
  o.storage = 1;
  o.routine = c.fit != 0;
  const InputVar integral[] = {
      {"cutij", IN_REAL, 2, o.cutij},
      {"ricut", IN_REAL, 1, &o.ricut},
      {"direct", IN_INT, 1, &o.direct},
      {"storage", IN_INT, 1, &o.storage},
      {"routine", IN_INT, 1, &o.routine},
  };
  read_group(input, "integral", 5, integral);
  apply_cutij(o.cutij, dft);
  if (o.ricut <= 0.0) o.ricut = 1e-10;
  if (o.direct == -1) o.direct = same(c.theory, "DFT");

  const char* fallback = same(c.theory, "RIDFT") ? "PBE1" : dft ? "PBE" : "HF";
  const DftOptions d = dft_read_options(input, fallback);
  std::memcpy(o.functional_name, d.name, sizeof o.functional_name);
  o.functional = d.functional;
  // No procedure here builds an exchange matrix: a hybrid would lose its exact-exchange share
  // and still report an energy.
  if (o.functional.a_hf != 0.0)
    fatal_error("\n exact exchange (functional %s) is not available in this build\n", d.name);
  if (!dft) o.fitxc = 0;

  // Newton steps on the fitted density's response serve the orbital-density model as well: an
  // HCN gradient's SCF from a nearby structure's orbitals takes 3 steps on the final grid
  // where BFGS took 10. Restricted open shells have only the BFGS step.
  const bool open_restricted = o.restricted && c.na[0] != c.nb[0];
  o.procedure = o.fitxc || (dft && !open_restricted) ? 2 : 1;
  if (procedure[0]) o.procedure = procedure_code(procedure);
  if (same(c.theory, "RIDFT") || same(c.theory, "OSDFT")) o.procedure = 1;
  if (o.iterations[0] < 0) o.iterations[0] = o.procedure == 2 ? 16 : 48;
  if (o.iterations[1] < 0) o.iterations[1] = 16;
  o.density_sets = same(c.theory, "OSDFT") ? 2 : same(c.theory, "TDDFT") ? 3 : 1;
  if (is_multiconfiguration(c.theory)) o.restricted = 1;
  o.closed = o.restricted && c.na[0] == c.nb[0];
  return o;
}

void scf_print_header(const ScfOptions& o, const ScfContext& c, int n_atoms, int charge,
                      int multiplicity) {
  std::printf("\n +---------------------------------------\n"
              " | Number of atoms                  %5d\n"
              " | Charge of molecule               %5d\n"
              " | Spin multiplicity                %5d\n"
              " | Number of alpha electrons        %5d\n"
              " | Number of beta  electrons        %5d\n"
              " | Number of core  electrons        %5d\n"
              " | Theoretical Method        %12s\n",
              n_atoms, charge, multiplicity, c.na[0], c.nb[0], o.core[0], c.theory);
  if (theory_in_class(c.theory, "DFT"))
    std::printf(" | Approximation to E(xc)          %6s\n", o.functional_name);
  std::printf(" | Dimension of wavefunction basis  %5d\n", c.nbasis);
  if (c.nbasis1 > 0) std::printf(" | dimension of wavefunction basis  %5d\n", c.nbasis1);
  if (c.nfit > 0) std::printf(" | Dimension of   auxiliary  basis  %5d\n", c.nfit);
  const char* hamiltonian = c.four == 0   ? "non-relativistic"
                            : c.four == 1 ? "scalar-relativistic"
                                          : "Dirac-Coulomb";
  std::printf(" | Hamiltonian: %s\n", hamiltonian);
  std::printf(" +---------------------------------------");
  std::printf("\n scf options: conv=%7.1e, %7.1e; iter=%d,%d\n", o.convergence[0],
              o.convergence[1], o.iterations[0], o.iterations[1]);
  std::printf(" cut-off for S,T,V integrals: %7.1e (%7.1e)\n", o.cutij[0], o.cutij[1]);
}

ScfOptions scf_setup_options(std::FILE* input) {
  ScfOptions o{};
  if (is_master) {
    Molecule mol = load_molecule(0, "Molecule");
    ScfElectrons e;
    {
      PoolArray<std::int32_t> atoms(std::int64_t{kElementCount} * kElementFields);
      record_read(rec::Atoms, atoms.span());
      int necp[2] = {0, 0};
      if (record_exists(rec::Necp)) record_read(rec::Necp, necp, 2);
      e = scf_count_electrons(mol, atoms.data(), necp);
    }
    const ScfContext c = read_context(e);
    const int n_atoms = mol.n_atoms, charge = mol.charges[0], multiplicity = mol.multiplicities[0];
    release_molecule(mol);
    o = scf_read_options(input, c);
    scf_print_header(o, c, n_atoms, charge, multiplicity);
    write_records(o, c, e.nactive);
  }
  mp_bcast(&o, sizeof o, MP_BYTE);
  fit_cache_reserve_step(o.cutij[0], grid_weight_bytes(input));
  return o;
}

void scf_setup_options() { scf_setup_options(stdin); }

}  // namespace ostrel
