// The NDDO model inside the parameter fit: evaluation with a changed element block, the
// atoms' constants that follow it, and the names of the fitted values.
#include "models/nddo/nddo_fit.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "input/group.hpp"
#include "model/elements.hpp"
#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_model_energy.hpp"
#include "models/nddo/nddo_parameters_read.hpp"
#include "models/nddo/nddo_parameters_write.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

double isolated_energy(const NddoElement& e, int z) {
  const NddoAtom a = nddo_atom(e, z);
  return nddo_isolated_atom_energy(a, e.ne[0], e.L >= 1 ? e.ne[1] : 0);
}

// The file's own names of the values: an item and its shell ("h0", "bh1"), a "br" set and
// shell ("1br0"), a Gaussian slot ("ac01", "ec12": shell,
// then term 1..nc); null when unknown or beyond the element's shells and terms.
double* file_field(NddoElement& e, const std::string& name) {
  const std::size_t n = name.size();
  if (n == 4 && name[1] == 'c' && (name[0] == 'a' || name[0] == 'e')) {
    const int shell = name[2] - '0', k = name[3] - '1';
    if (shell < 0 || shell > 3 || k < 0 || k >= e.nc[shell]) return nullptr;
    return name[0] == 'a' ? &e.ac[shell][k] : &e.ec[shell][k];
  }
  if (n < 2) return nullptr;
  const int l = name[n - 1] - '0';
  if (l < 0 || l > e.L) return nullptr;
  const std::string item = name.substr(0, n - 1);
  if (n == 4 && item.compare(1, 2, "br") == 0) {
    const int set = name[0] - '1';
    return set >= 0 && set < e.ng && set < 4 ? &e.br[set][l] : nullptr;
  }
  for (const NddoShellItem& i : kNddoItemsBeforeBr)
    if (item == i.label) return &(e.*i.values)[l];
  for (const NddoShellItem& i : kNddoItemsAfterBr)
    if (item == i.label) return &(e.*i.values)[l];
  return nullptr;
}

// Where a fitted name points inside an element block: the published parameters' names, or
// the file's own; null when unknown.
double* field(NddoElement& e, const char* name) {
  struct Named {
    const char* name;
    double (NddoElement::*values)[4];
    int l;
  };
  static const Named table[] = {{"Uss", &NddoElement::h, 0},     {"Upp", &NddoElement::h, 1},
                                {"beta_s", &NddoElement::bh, 0}, {"beta_p", &NddoElement::bh, 1},
                                {"zeta_s", &NddoElement::ah, 0}, {"zeta_p", &NddoElement::ah, 1},
                                {"alpha", &NddoElement::ap, 0},  {"Gss", &NddoElement::at, 0},
                                {"Gpp", &NddoElement::at, 1},    {"Gsp", &NddoElement::ct, 0},
                                {"Gp2", &NddoElement::ct, 1},    {"Hsp", &NddoElement::au, 0}};
  for (const Named& n : table)
    if (std::strcmp(n.name, name) == 0) return n.l <= e.L ? &(e.*n.values)[n.l] : nullptr;
  // Gaussian core-core terms: amplitude K, width L, centre M of term 1..nc.
  const char kind = name[0];
  const int k = name[1] - '1';
  if (name[1] != '\0' && name[2] == '\0' && k >= 0 && k < e.nc[0]) {
    if (kind == 'K') return &e.ec[0][k];
    if (kind == 'L') return &e.ac[0][k];
    if (kind == 'M') return &e.ac[1][k];
  }
  return file_field(e, name);
}

int atomic_number(const char* symbol) {
  for (int z = 1; z <= kNddoMaxElement; ++z)
    if (std::strcmp(element_symbol(z), symbol) == 0) return z;
  return 0;
}

}  // namespace

NddoFitModel::NddoFitModel(NddoParameters& p, const std::vector<FitMolecule>& set) : p_(p), orbitals_(set.size()) {
  std::vector<char> used(kNddoSlots, 0);
  for (const FitMolecule& m : set)
    for (int z : m.z) {
      if (z < 1 || z > kNddoMaxElement || p.element[z].L < 0)
        fatal_error("\n molecule %s: element %s has no NDDO parameters\n", m.name.c_str(), element_symbol(z));
      used[z] = 1;
    }
  for (int z = 1; z <= kNddoMaxElement; ++z)
    if (used[z]) {
      elements_.push_back(z);
      e0_.push_back(p.element[z].E0);
      isolated_.push_back(isolated_energy(p.element[z], z));
    }
}

void NddoFitModel::renew() {
  for (std::size_t k = 0; k < elements_.size(); ++k) {
    NddoElement& e = p_.element[elements_[k]];
    e.E0 = e0_[k] - (isolated_energy(e, elements_[k]) - isolated_[k]) / kNddoEv;
  }
}

double NddoFitModel::evaluate(std::size_t k, const FitMolecule& m, double* gradient, double*, double dipole[3]) {
  FitMoleculeView view(const_cast<FitMolecule&>(m));
  const int nbf = nddo_function_count(view.mol, p_.element);
  std::vector<double>& c = orbitals_[k];
  const bool restart = !c.empty();
  if (!restart) c.resize(static_cast<std::size_t>(nbf) * nbf);
  const NddoResult r = nddo_model_energy(view.mol, p_.element, nullptr, restart ? c.data() : nullptr, nullptr,
                                         c.data(), gradient, 0);
  // Unconverged orbitals make a poor start: the next evaluation begins from the guess.
  if (!r.converged) {
    std::printf(" %s: the orbitals did not converge (g=%.2e)\n", m.name.c_str(), r.gmax);
    c.clear();
  }
  for (int d = 0; d < 3; ++d) dipole[d] = r.dipole[d];
  return r.energy;
}

std::vector<FitParameter> nddo_fit_selection(std::FILE* input, NddoParameters& p) {
  std::vector<FitParameter> x;
  std::rewind(input);
  if (find_group(input, "parameters", 1) != 0) fatal_error("\n group $parameters? (the fitted NDDO values)\n");
  char line[1024];
  while (std::fgets(line, sizeof line, input)) {
    if (std::strstr(line, "$end")) break;
    char* word = std::strtok(line, " \t\r\n");
    if (!word || word[0] == '#') continue;
    const int z = atomic_number(word);
    if (z == 0 || p.element[z].L < 0) fatal_error("\n $parameters: element '%s' has no NDDO parameters\n", word);
    const std::string symbol = word;
    while ((word = std::strtok(nullptr, " \t\r\n"))) {
      double* v = field(p.element[z], word);
      if (!v) fatal_error("\n $parameters: '%s' of %s?\n", word, symbol.c_str());
      x.push_back({symbol + ":" + word, v});
    }
  }
  return x;
}

void nddo_fit_parameters() {
  if (!is_master) return;
  const FitTask t = fit_read_task(stdin);
  // The task runs without the common set-up: the starting set comes from the named file.
  if (!record_exists(rec::nddo_data)) read_nddo_parameters(record_text(rec::bfname).c_str(), "nddo_data");
  PoolArray<NddoParameters> p(1);
  record_read(rec::nddo_data, p[0].element, kNddoSlots);
  std::vector<FitParameter> x = nddo_fit_selection(stdin, p[0]);
  fit_print_parameters(x);
  NddoFitModel model(p[0], t.set);
  fit_minimise(model, t.set, t.reactions, x, t.options);
  std::printf("\n");
  write_nddo_parameters(p[0], "$nddo");
  record_write(rec::nddo_data, p[0].element, kNddoSlots);
}

}  // namespace ostrel
