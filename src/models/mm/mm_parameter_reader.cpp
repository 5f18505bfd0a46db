// The "$mmdata" group: type names first, then atom, bond, pair, angle and torsion entries.
#include "models/mm/mm_parameter_reader.hpp"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "input/group.hpp"
#include "models/mm/mm_parameter_index.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

constexpr int kTokenLimit = 64;

enum Section { NONE, TYPE, ATOM, BOND, PAIR, ANGLE, TORSION1, TORSION2 };

struct SectionShape {
  const char* word;
  Section section;
  int names;
  int ints;
  int reals;
};

constexpr SectionShape kShapes[] = {
    {"type", TYPE, 0, 0, 0},     {"atom", ATOM, 1, 2, 5},         {"bond", BOND, 2, 2, 3},
    {"pair", PAIR, 2, 2, 3},     {"angle", ANGLE, 3, 2, 5},       {"torsion1", TORSION1, 4, 2, 3},
    {"torsion2", TORSION2, 4, 2, 3},
};

const SectionShape* section_word(const std::string& token) {
  for (const SectionShape& s : kShapes)
    if (token == s.word) return &s;
  return nullptr;
}

bool is_end(const std::string& token) {
  if (token.size() != 4 || token[0] != '$') return false;
  return std::tolower(token[1]) == 'e' && std::tolower(token[2]) == 'n' && std::tolower(token[3]) == 'd';
}

bool is_number(const std::string& token) {
  if (token.empty()) return false;
  char* end = nullptr;
  std::strtod(token.c_str(), &end);
  return *end == '\0';
}

// Whitespace-separated tokens; a token that begins with '#' drops the rest of its line.
class Tokens {
 public:
  explicit Tokens(std::FILE* file) : file_(file) {}
  bool next(std::string& token) {
    for (;;) {
      int c;
      while ((c = std::getc(file_)) != EOF && std::isspace(c)) {
      }
      if (c == EOF) return false;
      token.clear();
      while (c != EOF && !std::isspace(c)) {
        if (token.size() < kTokenLimit) token += static_cast<char>(c);
        c = std::getc(file_);
      }
      if (token[0] != '#') {
        if (c == '\n') std::ungetc(c, file_);
        return true;
      }
      while (c != EOF && c != '\n') c = std::getc(file_);
    }
  }

 private:
  std::FILE* file_;
};

struct Entry {
  int types[4];
  int ints[2];
  double reals[5];
  std::string text;  // the type names, for messages
};

class Parser {
 public:
  Parser(std::FILE* file, MmParameters& p) : tokens_(file), p_(p) {}
  void run();

 private:
  bool take(std::string& token) {
    if (!tokens_.next(token)) fatal_error("\n mmdata: no $end\n");
    return true;
  }
  [[noreturn]] void wrong_count(const SectionShape& s, const std::string& names) {
    fatal_error("\n mmdata: %s %s: wrong count of numbers (%d integers and %d reals expected)\n", s.word,
                names.c_str(), s.ints, s.reals);
  }
  void add_type(const std::string& name);
  bool read_entry(const SectionShape& s, const std::string& first, Entry& e);
  void store(Section s, const Entry& e);
  void store_bond(const Entry& e);
  void store_angle(const Entry& e);
  void store_torsion(int* index, MmRecord* records, const Entry& e);
  int slot(int type, int bond, int side);

  Tokens tokens_;
  MmParameters& p_;
  int bonds_ = 0, angles_ = 0, torsions_[2] = {0, 0};
  bool atom_set_[MM_TYPES] = {};
  bool pair_set_[MM_PAIR_RECORDS] = {};
  std::string previous_;  // the entry before, for a count that runs over
  const SectionShape* previous_shape_ = nullptr;
};

void Parser::add_type(const std::string& name) {
  if (p_.ntypes == MM_TYPES) fatal_error("N=%d\n", MM_TYPES + 1);
  if (name.size() >= MM_NAME) fatal_error("\n mmdata: type name '%s' longer than %d characters\n", name.c_str(), MM_NAME - 1);
  if (mm_type_index(p_, name.c_str()) >= 0) fatal_error("\n mmdata: type '%s' twice\n", name.c_str());
  std::strncpy(p_.type_names[p_.ntypes++], name.c_str(), MM_NAME - 1);
}

// Returns false at "$end" or a section word in place of the first type name.
bool Parser::read_entry(const SectionShape& s, const std::string& first, Entry& e) {
  if (is_number(first)) {
    if (previous_shape_) wrong_count(*previous_shape_, previous_);
    fatal_error("\n mmdata: number '%s' where a type name belongs\n", first.c_str());
  }
  e.text.clear();
  std::string token = first;
  for (int k = 0; k < s.names; ++k) {
    if (k > 0) take(token);
    if (is_end(token) || section_word(token) || is_number(token)) wrong_count(s, e.text + " " + token);
    e.types[k] = mm_type_index(p_, token.c_str());
    if (e.types[k] < 0) fatal_error("'%s'?\n", token.c_str());
    e.text += (k ? " " : "") + token;
  }
  for (int k = 0; k < s.ints + s.reals; ++k) {
    take(token);
    char* end = nullptr;
    errno = 0;
    if (k < s.ints) {
      const long v = std::strtol(token.c_str(), &end, 10);
      if (token.empty() || *end != '\0' || errno || v < INT_MIN || v > INT_MAX) wrong_count(s, e.text);
      e.ints[k] = static_cast<int>(v);
    } else {
      e.reals[k - s.ints] = std::strtod(token.c_str(), &end);
      if (token.empty() || *end != '\0' || !std::isfinite(e.reals[k - s.ints])) wrong_count(s, e.text);
    }
  }
  previous_ = e.text;
  previous_shape_ = &s;
  return true;
}

int Parser::slot(int type, int bond, int side) {
  int s = 0;
  while (s < MM_BONDS_PER_TYPE && p_.bond_slots[type][s] >= 0) ++s;
  if (s == MM_BONDS_PER_TYPE) fatal_error("M=%d\n", MM_BONDS_PER_TYPE);
  p_.bond_slots[type][s] = 2 * bond + side;
  return s;
}

void Parser::store_bond(const Entry& e) {
  const int a = e.types[0], b = e.types[1];
  if (p_.bond_index[a][b] >= 0) fatal_error("\n mmdata: bond %s defined twice\n", e.text.c_str());
  if (2 * (bonds_ + 1) > MM_SLOT_ENTRIES) fatal_error("Nij=%d\n", 2 * (bonds_ + 1));
  const int bond = bonds_++;
  const int lo = a < b ? a : b, hi = a < b ? b : a;
  // Stored for the pair ordered by type index; the sign keeps the charge flowing as written.
  const double dq = a <= b ? e.reals[2] : -e.reals[2];
  p_.bond[bond] = MmRecord{e.ints[0], e.ints[1], {e.reals[0], e.reals[1], dq, 0.0, 0.0}};
  p_.bond_index[lo][hi] = slot(lo, bond, 0);
  if (hi != lo) p_.bond_index[hi][lo] = slot(hi, bond, 1);
}

void Parser::store_angle(const Entry& e) {
  const int a = e.types[0], c = e.types[1], d = e.types[2];
  const int s1 = p_.bond_index[c][a], s2 = p_.bond_index[c][d];
  if (s1 < 0 || s2 < 0) fatal_error("\n mmdata: angle %s needs both of its bonds first\n", e.text.c_str());
  if (p_.angle_index[c][s1][s2] >= 0) fatal_error("\n mmdata: angle %s defined twice\n", e.text.c_str());
  if (angles_ == MM_ANGLE_RECORDS) fatal_error("\n mmdata: more than %d angles\n", MM_ANGLE_RECORDS);
  MmRecord r{e.ints[0], e.ints[1], {e.reals[0], e.reals[1], e.reals[2], e.reals[3], e.reals[4]}};
  // The first stretch-bend constant belongs to the arm whose type comes first in the list.
  if (a > d) std::swap(r.p[3], r.p[4]);
  p_.angle[angles_] = r;
  p_.angle_index[c][s1][s2] = p_.angle_index[c][s2][s1] = angles_++;
}

void Parser::store_torsion(int* index, MmRecord* records, const Entry& e) {
  const int a = e.types[0], b = e.types[1], c = e.types[2], d = e.types[3];
  const int sba = p_.bond_index[b][a], sbc = p_.bond_index[b][c];
  const int scb = p_.bond_index[c][b], scd = p_.bond_index[c][d];
  if (sba < 0 || sbc < 0 || scd < 0) fatal_error("\n mmdata: torsion %s needs its three bonds first\n", e.text.c_str());
  const int forward = (p_.bond_slots[b][sbc] * MM_BONDS_PER_TYPE + sba) * MM_BONDS_PER_TYPE + scd;
  const int backward = (p_.bond_slots[c][scb] * MM_BONDS_PER_TYPE + scd) * MM_BONDS_PER_TYPE + sba;
  if (index[forward] >= 0) fatal_error("\n mmdata: torsion %s defined twice\n", e.text.c_str());
  int& count = torsions_[index == p_.torsion1_index ? 0 : 1];
  if (count == MM_TORSION_RECORDS) fatal_error("\n mmdata: more than %d torsions in one table\n", MM_TORSION_RECORDS);
  records[count] = MmRecord{e.ints[0], e.ints[1], {e.reals[0], e.reals[1], e.reals[2], 0.0, 0.0}};
  index[forward] = index[backward] = count++;
}

void Parser::store(Section s, const Entry& e) {
  const MmRecord values{e.ints[0], e.ints[1], {e.reals[0], e.reals[1], e.reals[2], e.reals[3], e.reals[4]}};
  switch (s) {
    case ATOM:
      if (atom_set_[e.types[0]]) fatal_error("\n mmdata: atom %s defined twice\n", e.text.c_str());
      atom_set_[e.types[0]] = true;
      p_.atom[e.types[0]] = values;
      break;
    case PAIR: {
      const int i = std::max(e.types[0], e.types[1]), j = std::min(e.types[0], e.types[1]);
      const int k = i * (i + 1) / 2 + j;
      if (k >= MM_PAIR_RECORDS)
        fatal_error("\n mmdata: pair %s lies beyond the %d-entry pair table (types %d and %d)\n", e.text.c_str(),
                    MM_PAIR_RECORDS, j + 1, i + 1);
      if (pair_set_[k]) fatal_error("\n mmdata: pair %s defined twice\n", e.text.c_str());
      pair_set_[k] = true;
      p_.pair[k] = MmRecord{e.ints[0], e.ints[1], {e.reals[0], e.reals[1], e.reals[2], 0.0, 0.0}};
      break;
    }
    case BOND: store_bond(e); break;
    case ANGLE: store_angle(e); break;
    case TORSION1: store_torsion(p_.torsion1_index, p_.torsion1, e); break;
    case TORSION2: store_torsion(p_.torsion2_index, p_.torsion2, e); break;
    default: break;
  }
}

void Parser::run() {
  const SectionShape* section = nullptr;
  bool any_section = false;
  std::string token;
  while (take(token) && !is_end(token)) {
    if (const SectionShape* s = section_word(token)) {
      if ((s->section == TYPE) == any_section)
        fatal_error("\n mmdata: the section 'type' comes first and only once (at '%s')\n", token.c_str());
      any_section = true;
      section = s;
      previous_shape_ = nullptr;
      continue;
    }
    if (!section) fatal_error("\n mmdata: '%s' before the section 'type'\n", token.c_str());
    if (section->section == TYPE) {
      add_type(token);
      continue;
    }
    Entry e{};
    read_entry(*section, token, e);
    store(section->section, e);
  }
}

// An existing name as given, else the shipped parameter directories.
std::string parameter_path(const char* file) {
  const std::string name(file);
  if (access(name.c_str(), R_OK) == 0 || name.front() == '/') return name;
  const std::string candidates[] = {
#ifdef OSTREL_DATA_DIR
      std::string(OSTREL_DATA_DIR) + "/mm/" + name,
#endif
#ifdef OSTREL_SOURCE_DIR
      std::string(OSTREL_SOURCE_DIR) + "/data/mm/" + name,
#endif
  };
  for (const std::string& c : candidates)
    if (access(c.c_str(), R_OK) == 0) return c;
  return name;
}

}  // namespace

void parse_mm_parameters(std::FILE* file, const char* group, MmParameters& p) {
  mm_clear_parameters(p);
  if (find_group(file, group, 1) != 0) fatal_error("\n group $%s not found\n", group);
  Parser(file, p).run();
}

void read_mm_parameters(const char* file, const char* group) {
  PoolArray<MmParameters> p(1);
  if (file[0] == '\0') {
    std::printf("\n mm file: '%s'\n", file);
    std::rewind(stdin);
    parse_mm_parameters(stdin, group, p[0]);
  } else {
    const std::string path = parameter_path(file);
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) fatal_error("\nfile '%s'?\n", file);
    std::printf("\n mm file: '%s'\n", path.c_str());
    parse_mm_parameters(f, group, p[0]);
    std::fclose(f);
  }
  record_save(rec::mmdata, p.data(), 1);
}

}  // namespace ostrel
