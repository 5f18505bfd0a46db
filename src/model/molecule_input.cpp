// The "$molecule" reader: scratch blocks, finishing steps and the "Molecule" record.
#include "model/molecule_input.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "input/group.hpp"
#include "linalg/small_solvers.hpp"
#include "model/elements.hpp"
#include "model/molecule_parser.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_scanner.hpp"
#include "model/molecule_writer.hpp"
#include "model/structure_print.hpp"
#include "model/units.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"

namespace ostrel {

namespace {

// Fixed scratch blocks: reals, integers and names per atom.
constexpr int kReals = 3 + 1;                                  // xyz, mass
constexpr int kInts = 1 + 1 + 1 + 1 + 1 + ZMATRIX_INTS + MAX_NEIGHBOURS + 1;
constexpr int kNames = 2 * NAME_SLOT;

void attach_draft(MoleculeDraft& d, double* reals, int* ints, char* names) {
  const std::int64_t m = MAX_ATOMS;
  d.xyz = reals;
  d.mass = reals + 3 * m;
  d.z = ints;
  d.fragment_of = ints + m;
  d.set_index = ints + 2 * m;
  d.fragment_charge = ints + 3 * m;  // fragment slots never exceed the atom count + 1
  d.fragment_mult = ints + 4 * m + 1;
  d.zmatrix = ints + 5 * m + 2;
  d.bonds = d.zmatrix + ZMATRIX_INTS * m;
  d.n_bonds = d.bonds + MAX_NEIGHBOURS * m;
  d.set_names = names;
  d.type_names = names + NAME_SLOT * m;
}

void symmetrise_bonds(MoleculeDraft& d) {
  const int n = d.n;
  for (int a = 0; a < n; ++a) {
    for (int k = 0; k < d.n_bonds[a]; ++k) {
      int b = d.bonds[MAX_NEIGHBOURS * a + k];
      if (b >= n || b == a) fatal_error("\n atom %d: neighbour %d?\n", a + 1, b + 1);
      bool listed = false;
      for (int l = 0; l < d.n_bonds[b]; ++l) listed |= d.bonds[MAX_NEIGHBOURS * b + l] == a;
      if (listed) continue;
      if (d.n_bonds[b] >= MAX_NEIGHBOURS)
        fatal_error("\n atom %d: more than %d neighbours\n", b + 1, MAX_NEIGHBOURS);
      d.bonds[MAX_NEIGHBOURS * b + d.n_bonds[b]++] = a;
    }
  }
}

double distance2(const double* p, const double* q) {
  double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
  return dx * dx + dy * dy + dz * dz;
}

void connect_atoms(MoleculeDraft& d) {
  const int n = d.n;
  for (int a = 0; a < n; ++a) {
    d.n_bonds[a] = 0;
    for (int k = 0; k < MAX_NEIGHBOURS; ++k) d.bonds[MAX_NEIGHBOURS * a + k] = -1;
  }
  for (int a = 0; a < n; ++a) {
    const double ra = connect_radius(d.z[a]);
    for (int b = 0; b < n && d.n_bonds[a] < MAX_NEIGHBOURS; ++b) {
      if (b == a) continue;
      const double rb = connect_radius(d.z[b]);
      const double limit = ra + rb + 1.2 * ra * rb / (ra + rb);
      if (std::sqrt(distance2(d.xyz + 3 * a, d.xyz + 3 * b)) <= limit)
        d.bonds[MAX_NEIGHBOURS * a + d.n_bonds[a]++] = b;
    }
  }
}

void finite_nucleus(Molecule& m) {
  for (int a = 0; a < m.n_atoms; ++a) {
    if (m.point != 0) {
      m.nucleus_a[a] = m.nucleus_c[a] = 0.0;
      continue;
    }
    const int z = m.z[a];
    const double r = (8360.0 * std::cbrt(double(mass_number(z))) + 5700.0) / 529177249.0;
    const double e = 3.0 / (2.0 * r * r);
    m.nucleus_a[a] = e;
    m.nucleus_c[a] = z * std::pow(e / kPi, 1.5);
  }
}

void print_molecule(const Molecule& m, bool zmatrix) {
  if (zmatrix) write_molecule_group(m, "<", 0);
  print_coordinates(m.z, m.xyz, m.n_atoms, 1);
  std::printf(" atomic masses:\n");
  for (int a = 0; a < m.n_atoms; ++a) std::printf("  %3d %12.8lf\n", m.z[a], m.mass[a]);
  if (m.point == 0) {
    std::printf("\n Finite nucleus model:\n");
    for (int a = 0; a < m.n_atoms; ++a) {
      bool seen = false;
      for (int b = 0; b < a; ++b) seen |= m.z[b] == m.z[a];
      if (!seen)
        std::printf(" atomic number %3d:  a = %12.6e, c = %12.6e\n", m.z[a], m.nucleus_a[a],
                    m.nucleus_c[a]);
    }
  }
  std::fflush(stdout);
}

// Builds and stores the record from a parsed group.
void finish_molecule(MoleculeDraft& d, const char* record, int print) {
  const int n = d.n;
  if (n == 0) fatal_error("'%s' ?\n", d.last_word);
  symmetrise_bonds(d);
  if (d.angstrom) {
    for (int k = 0; k < 3 * n; ++k) d.xyz[k] *= kBohrPerAngstrom;
    d.radius *= kBohrPerAngstrom;
  }
  if (d.connect) connect_atoms(d);

  Molecule m{};
  m.radius = d.radius;
  m.n_atoms = n;
  m.n_fragments = d.fragment_of[n - 1] + 1;
  const int f = m.n_fragments;
  if (std::int64_t{n} * f > (std::int64_t{1} << 28))
    fatal_error("\n %d fragments of %d atoms are too many\n", f, n);
  PoolArray<char> storage(molecule_record_size(n, f));
  std::memset(storage.data(), 0, static_cast<std::size_t>(storage.size()));
  molecule_attach(m, storage.data());

  for (int a = 0; a < n; ++a) {
    m.z[a] = d.z[a];
    for (int k = 0; k < 3; ++k) m.xyz[3 * a + k] = d.xyz[3 * a + k];
    m.mass[a] = d.mass[a];
    m.fragment_of[a] = d.fragment_of[a];
    m.set_index[a] = d.set_index[a];
  }
  std::memcpy(m.set_names, d.set_names, NAME_SLOT * std::size_t(n));
  std::memcpy(m.type_names, d.type_names, NAME_SLOT * std::size_t(n));
  std::memcpy(m.bonds, d.bonds, sizeof(int) * MAX_NEIGHBOURS * std::size_t(n));
  std::memcpy(m.zmatrix, d.zmatrix, sizeof(int) * std::size_t(d.zmatrix_used));

  // Fragment lists: own atoms, then atoms of other fragments within the radius.
  const double r2 = m.radius * m.radius;
  for (int g = 0; g < f; ++g) {
    int* list = m.fragment_atoms + std::int64_t{g} * n;
    int own = 0;
    for (int a = 0; a < n; ++a)
      if (m.fragment_of[a] == g) list[own++] = a;
    int total = own;
    for (int b = 0; b < n; ++b) {
      if (m.fragment_of[b] == g) continue;
      for (int k = 0; k < own; ++k) {
        if (distance2(m.xyz + 3 * b, m.xyz + 3 * list[k]) < r2) {
          list[total++] = b;
          break;
        }
      }
    }
    m.fragment_counts[2 * g] = own;
    m.fragment_counts[2 * g + 1] = total;
  }

  long long nuclear = 0;
  for (int a = 0; a < n; ++a) nuclear += m.z[a];
  ElectronCount total = electron_count(nuclear - d.charge, d.multiplicity);
  if (!total.legal) fatal_error(" illegal charge/multiplicity\n");
  if (print) std::printf(" %d atoms, %d electrons\n", n, total.alpha + total.beta);
  m.charges[0] = d.charge;
  m.multiplicities[0] = d.multiplicity;
  m.n_alpha = total.alpha;
  m.n_beta = total.beta;

  long long sum_alpha = 0, sum_beta = 0;
  for (int g = 0; g < f; ++g) {
    long long zf = 0;
    for (int a = 0; a < n; ++a)
      if (m.fragment_of[a] == g) zf += m.z[a];
    ElectronCount e = electron_count(zf - d.fragment_charge[g], d.fragment_mult[g]);
    if (!e.legal) fatal_error(" illegal charge/multiplicity\n");
    if (print && f > 1)
      std::printf(" fragment %2d: %d atoms, %d electrons\n", g + 1, m.fragment_counts[2 * g],
                  e.alpha + e.beta);
    m.charges[g + 1] = d.fragment_charge[g];
    m.multiplicities[g + 1] = d.fragment_mult[g];
    m.fragment_alpha[g] = e.alpha;
    m.fragment_beta[g] = e.beta;
    sum_alpha += e.alpha;
    sum_beta += e.beta;
  }
  if (sum_alpha != total.alpha || sum_beta != total.beta)
    fatal_error(" charge/multiplicity???\n");
  m.first_fragment_atoms = m.fragment_counts[0];

  record_put(rec::Natom, PerStructure{n, m.first_fragment_atoms});
  record_put(rec::Na, PerStructure{m.n_alpha, m.fragment_alpha[0]});
  record_put(rec::Nb, PerStructure{m.n_beta, m.fragment_beta[0]});
  record_put(rec::Ncore, PerStructure{0, 0});
  // Without the control step's record the nuclei are points.
  m.point = record_get_or(rec::point, 1);

  if (m.zmatrix[0] != ZM_END) orient_structure(n, m.xyz, m.xyz, nullptr, nullptr, nullptr);
  for (int a = 0; a < n; ++a) m.charge[a] = m.z[a];
  finite_nucleus(m);
  if (print) print_molecule(m, m.zmatrix[0] != ZM_END);
  store_molecule(record, m);
}

}  // namespace

int read_molecule(const char* record, const char* file, const char* group, int occurrence,
                  int print) {
  const InputSource source(file, " '%s': error!\n");
  std::FILE* in = source.get();
  for (int k = 0; k < occurrence; ++k)
    if (find_group(in, group, 1) != 0) return 1;

  PoolArray<double> reals(std::int64_t{kReals} * MAX_ATOMS);
  PoolArray<int> ints(std::int64_t{kInts} * MAX_ATOMS + 2);
  PoolArray<char> names(std::int64_t{kNames} * MAX_ATOMS);
  std::memset(ints.data(), 0, sizeof(int) * std::size_t(ints.size()));
  MoleculeDraft draft;
  attach_draft(draft, reals.data(), ints.data(), names.data());
  parse_molecule_group(in, group, draft);
  finish_molecule(draft, record, print);
  return 0;
}

void read_molecule_chain() {
  constexpr int kMaxStructures = 1000;
  char name[32];
  int count = 0;
  for (; count < kMaxStructures; ++count) {
    std::snprintf(name, sizeof name, "Molecule:%03d", count);
    std::printf(" %s\n", name);
    if (read_molecule(name, "", "molecule", count + 1, 1) != 0) break;
  }
  std::printf("\n %d structures.\n", count);
  if (count == 0) fatal_error("\n molecule?\n");

  const int n = record_field(rec::Natom, &PerStructure::whole);
  Molecule first = load_molecule(0, "Molecule:000");
  record_alloc(rec::Path_Xguess, std::int64_t{count} * 3 * n);
  for (int k = 0; k < count; ++k) {
    std::snprintf(name, sizeof name, "Molecule:%03d", k);
    Molecule m = load_molecule(0, name);
    if (m.n_atoms != n) fatal_error("\n N?\n");
    for (int a = 0; a < n; ++a)
      if (m.z[a] != first.z[a]) fatal_error("\n atom # %d: %d %d\n", a + 1, first.z[a], m.z[a]);
    record_write_next(rec::Path_Xguess, m.xyz, std::int64_t{3} * n);
    release_molecule(m);
  }
  store_molecule("Molecule", first);
  record_put(rec::Path_Nguess, count);
  release_molecule(first);
}

void orient_structure(int n, const double* xyz, double* rotated, double* centre, double* axes,
                      double* largest) {
  double mean[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < 3; ++k) mean[k] += xyz[3 * i + k];
  if (n > 0)
    for (double& m : mean) m /= n;

  double t[6] = {0, 0, 0, 0, 0, 0};  // yy+zz, -xy, xx+zz, -xz, -yz, xx+yy
  double far2 = 0.0;
  for (int i = 0; i < n; ++i) {
    double x = xyz[3 * i] - mean[0], y = xyz[3 * i + 1] - mean[1], z = xyz[3 * i + 2] - mean[2];
    t[0] += y * y + z * z;
    t[1] -= x * y;
    t[2] += x * x + z * z;
    t[3] -= x * z;
    t[4] -= y * z;
    t[5] += x * x + y * y;
    far2 = std::fmax(far2, x * x + y * y + z * z);
  }
  double vec[9], val[3];
  eigen_jacobi(t, vec, val, 3, 0);
  double det = vec[0] * (vec[4] * vec[8] - vec[5] * vec[7]) -
               vec[1] * (vec[3] * vec[8] - vec[5] * vec[6]) +
               vec[2] * (vec[3] * vec[7] - vec[4] * vec[6]);
  if (det < 0.0)
    for (int k = 0; k < 3; ++k) vec[k] = -vec[k];

  if (rotated) {
    for (int i = 0; i < n; ++i) {
      double p[3] = {xyz[3 * i] - mean[0], xyz[3 * i + 1] - mean[1], xyz[3 * i + 2] - mean[2]};
      for (int k = 0; k < 3; ++k)
        rotated[3 * i + k] = p[0] * vec[3 * k] + p[1] * vec[3 * k + 1] + p[2] * vec[3 * k + 2];
    }
  }
  if (centre)
    for (int k = 0; k < 3; ++k) centre[k] = mean[k];
  if (axes)
    for (int k = 0; k < 9; ++k) axes[k] = vec[k];
  if (largest) *largest = std::sqrt(far2);
}

}  // namespace ostrel
