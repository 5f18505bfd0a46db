// The reference set of a force-field fit: the group "file" and the molecule files it names.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "input/group.hpp"
#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "models/mm/mm_fit.hpp"
#include "models/mm/mm_typing.hpp"
#include "runtime/fatal.hpp"
#include "runtime/store.hpp"

namespace ostrel {
namespace {

constexpr const char* kFitMolecule = "mm_fit.mol";

bool blank(const char* line) {
  for (; *line; ++line)
    if (!std::isspace(static_cast<unsigned char>(*line))) return false;
  return true;
}

// Structure and reference results of one file.
void load(MmFitMolecule& m) {
  std::FILE* f = std::fopen(m.file.c_str(), "r");
  if (!f) fatal_error("\n file '%s'? (molecule %s)\n", m.file.c_str(), m.name.c_str());
  std::fclose(f);
  if (read_molecule(kFitMolecule, m.file.c_str(), "molecule", 1, 0) != 0)
    fatal_error("\n molecule %s: no $molecule group in '%s'\n", m.name.c_str(), m.file.c_str());
  Molecule mol = load_molecule(0, kFitMolecule);
  mm_assign_types(mol);
  m.n = mol.n_atoms;
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

std::vector<MmFitMolecule> mm_fit_read_set(std::FILE* input) {
  std::vector<MmFitMolecule> set;
  double defaults[6] = {1.0, 1.0, 0.0, 0.0, 0.0, 0.0};
  std::rewind(input);
  if (find_group(input, "file", 1) != 0) fatal_error("\n group $file? (the reference molecules)\n");
  char line[1024];
  while (std::fgets(line, sizeof line, input)) {
    if (std::strstr(line, "$end")) break;
    if (blank(line) || line[std::strspn(line, " \t")] == '#') continue;
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
    MmFitMolecule m;
    m.name = name;
    m.file = file;
    std::memcpy(m.w, w, sizeof w);
    set.push_back(std::move(m));
  }
  std::printf("\n %d molecules\n", static_cast<int>(set.size()));
  for (MmFitMolecule& m : set) load(m);
  for (const MmFitMolecule& m : set)
    std::printf(" %-24s %-32s N=%2d w=%6.1lf,%6.3lf,%6.3lf,%6.3lf,%6.3lf,%6.3lf\n", m.name.c_str(), m.file.c_str(), m.n,
                m.w[0], m.w[1], m.w[2], m.w[3], m.w[4], m.w[5]);
  for (const MmFitMolecule& m : set) {
    double diagonal = 0.0;
    for (int k = 0; !m.hessian.empty() && k < 3 * m.n; ++k) diagonal = std::fmax(diagonal, m.hessian[k * (k + 3) / 2]);
    std::printf(" %-24s N=%2d E=%14.8lf g=%6.4lf h=%7.4lf,%6.4lf nr=%4d\n", m.name.c_str(), m.n, m.energy,
                rms(m.gradient), diagonal, rms(m.hessian),
                static_cast<int>(1 + m.gradient.size() + m.hessian.size() + 3));
  }
  return set;
}

}  // namespace ostrel
