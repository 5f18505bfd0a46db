// Reading the reference set of a parameter fit: the group "file", the molecule files it
// names, and the group "reactions".
#include "models/fit/fit_set.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "input/group.hpp"
#include "model/molecule_input.hpp"
#include "runtime/fatal.hpp"
#include "runtime/store.hpp"

namespace ostrel {
namespace {

constexpr const char* kFitMolecule = "fit.mol";

bool skipped(const char* line) {
  const char* p = line + std::strspn(line, " \t\r\n");
  return *p == '\0' || *p == '#';
}

// Structure and reference results of one file.
void load(FitMolecule& m, const std::function<void(Molecule&)>& label) {
  std::FILE* f = std::fopen(m.file.c_str(), "r");
  if (!f) fatal_error("\n file '%s'? (molecule %s)\n", m.file.c_str(), m.name.c_str());
  std::fclose(f);
  if (read_molecule(kFitMolecule, m.file.c_str(), "molecule", 1, 0) != 0)
    fatal_error("\n molecule %s: no $molecule group in '%s'\n", m.name.c_str(), m.file.c_str());
  Molecule mol = load_molecule(0, kFitMolecule);
  if (label) label(mol);
  m.n = mol.n_atoms;
  m.charge = mol.charges[0];
  m.multiplicity = mol.multiplicities[0];
  m.z.assign(mol.z, mol.z + m.n);
  m.mass.assign(mol.mass, mol.mass + m.n);
  m.xyz.assign(mol.xyz, mol.xyz + 3 * m.n);
  m.types.assign(mol.type_names, mol.type_names + NAME_SLOT * m.n);
  m.bonds.assign(mol.bonds, mol.bonds + MAX_NEIGHBOURS * m.n);
  release_molecule(mol);
  store_free(kFitMolecule);

  // The results group of the file, read here rather than into the run's own result records.
  const int n3 = 3 * m.n;
  const double missing = 1e300;
  m.energy = missing;
  m.gradient.assign(n3, missing);
  m.hessian.assign(static_cast<std::size_t>(n3) * (n3 + 1) / 2, missing);
  const InputVar vars[] = {{"e", IN_REAL, 1, &m.energy},
                           {"d", IN_REAL, 3, m.dipole},
                           {"g", IN_REAL, n3, m.gradient.data()},
                           {"h", IN_REAL, static_cast<int>(m.hessian.size()), m.hessian.data()}};
  f = std::fopen(m.file.c_str(), "r");
  read_group(f, "energy", 4, vars);
  std::fclose(f);
  if (m.energy == missing) fatal_error("\n molecule %s: no reference energy in '%s'\n", m.name.c_str(), m.file.c_str());
  // A partial gradient or Hessian counts as not given.
  if (std::find(m.gradient.begin(), m.gradient.end(), missing) != m.gradient.end()) m.gradient.clear();
  if (std::find(m.hessian.begin(), m.hessian.end(), missing) != m.hessian.end()) m.hessian.clear();
}

double rms(const std::vector<double>& v) {
  double s = 0.0;
  for (double x : v) s += x * x;
  return v.empty() ? 0.0 : std::sqrt(s / static_cast<double>(v.size()));
}

}  // namespace

FitMoleculeView::FitMoleculeView(FitMolecule& m) {
  charges[0] = m.charge;
  multiplicities[0] = m.multiplicity;
  mol.n_atoms = m.n;
  mol.z = m.z.data();
  mol.xyz = m.xyz.data();
  mol.mass = m.mass.data();
  mol.charges = charges;
  mol.multiplicities = multiplicities;
  mol.type_names = m.types.data();
  mol.bonds = m.bonds.data();
}

std::vector<FitMolecule> fit_read_set(std::FILE* input, const std::function<void(Molecule&)>& label) {
  std::vector<FitMolecule> set;
  double defaults[6] = {1.0, 1.0, 0.0, 0.0, 0.0, 0.0};
  std::rewind(input);
  if (find_group(input, "file", 1) != 0) fatal_error("\n group $file? (the reference molecules)\n");
  char line[1024];
  while (std::fgets(line, sizeof line, input)) {
    if (std::strstr(line, "$end")) break;
    if (skipped(line)) continue;
    double w[6];
    if (std::sscanf(line, " w =%lf ,%lf ,%lf ,%lf ,%lf ,%lf", &w[0], &w[1], &w[2], &w[3], &w[4], &w[5]) == 6) {
      std::memcpy(defaults, w, sizeof w);
      continue;
    }
    char name[256], file[768];
    std::memcpy(w, defaults, sizeof w);
    const int got = std::sscanf(line, " %255s %767s w =%lf ,%lf ,%lf ,%lf ,%lf ,%lf", name, file, &w[0], &w[1], &w[2],
                                &w[3], &w[4], &w[5]);
    if (got != 2 && got != 8) fatal_error("\n $file: '%s'?\n", std::strtok(line, "\n"));
    FitMolecule m;
    m.name = name;
    m.file = file;
    std::memcpy(m.w, w, sizeof w);
    set.push_back(std::move(m));
  }
  std::printf("\n %d molecules\n", static_cast<int>(set.size()));
  for (FitMolecule& m : set) load(m, label);
  for (const FitMolecule& m : set)
    std::printf(" %-24s %-32s N=%2d w=%6.1lf,%6.3lf,%6.3lf,%6.3lf,%6.3lf,%6.3lf\n", m.name.c_str(), m.file.c_str(), m.n,
                m.w[0], m.w[1], m.w[2], m.w[3], m.w[4], m.w[5]);
  for (const FitMolecule& m : set) {
    double diagonal = 0.0;
    for (int k = 0; !m.hessian.empty() && k < 3 * m.n; ++k) diagonal = std::fmax(diagonal, m.hessian[k * (k + 3) / 2]);
    std::printf(" %-24s N=%2d E=%14.8lf g=%6.4lf h=%7.4lf,%6.4lf nr=%4d\n", m.name.c_str(), m.n, m.energy,
                rms(m.gradient), diagonal, rms(m.hessian),
                static_cast<int>(1 + m.gradient.size() + m.hessian.size() + 3));
  }
  return set;
}

std::vector<FitReaction> fit_read_reactions(std::FILE* input, const std::vector<FitMolecule>& set) {
  std::vector<FitReaction> list;
  std::rewind(input);
  if (find_group(input, "reactions", 1) != 0) return list;
  char line[1024];
  while (std::fgets(line, sizeof line, input)) {
    if (std::strstr(line, "$end")) break;
    if (skipped(line)) continue;
    char name[256], tag[2], wtag[2];
    double value = 0.0, w = 1.0;
    int got = std::sscanf(line, " %255s %1[Ee] =%lf %1[Ww] =%lf", name, tag, &value, wtag, &w);
    if (got == 3 || got == 5) {
      list.push_back({name, value, w, {}, {}});
      continue;
    }
    got = std::sscanf(line, " %255s %1[Cc] =%lf", name, tag, &value);
    if (got != 3 || list.empty()) fatal_error("\n $reactions: '%s'?\n", std::strtok(line, "\n"));
    int k = 0;
    while (k < static_cast<int>(set.size()) && set[k].name != name) ++k;
    if (k == static_cast<int>(set.size()))
      fatal_error("\n reaction %s: molecule %s is not in $file\n", list.back().name.c_str(), name);
    list.back().molecule.push_back(k);
    list.back().c.push_back(value);
  }
  if (list.empty()) return list;
  std::printf("\n reactions:\n");
  for (std::size_t r = 0; r < list.size(); ++r) {
    const FitReaction& x = list[r];
    if (x.molecule.empty()) fatal_error("\n reaction %s has no molecules\n", x.name.c_str());
    std::printf(" react. %4d %12s  E= %11.8lf\n", static_cast<int>(r + 1), x.name.c_str(), x.energy);
    std::printf(" order=%d w=%lf\n", static_cast<int>(x.molecule.size()), x.weight);
    for (std::size_t k = 0; k < x.molecule.size(); ++k)
      std::printf(" %-24s c=%lf\n", set[x.molecule[k]].name.c_str(), x.c[k]);
  }
  return list;
}

}  // namespace ostrel
