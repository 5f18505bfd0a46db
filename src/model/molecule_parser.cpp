// Word reader of the "$molecule" group: header keys, Cartesian and z-matrix blocks.
#include "model/molecule_parser.hpp"

#include <cctype>
#include <cmath>
#include <cstring>

#include "model/elements.hpp"
#include "model/molecule_scanner.hpp"
#include "model/units.hpp"
#include "model/zmatrix_placement.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

namespace {

class MoleculeParser {
 public:
  MoleculeParser(std::FILE* file, const char* group, MoleculeDraft& d)
      : sc_(file), group_(group), d_(d) {}

  void run() {
    char word[64];
    read_header(word);
    d_.fragment_charge[0] = d_.charge;
    d_.fragment_mult[0] = d_.multiplicity;
    if (abbreviates(word, "cartesian")) {
      if (cartesian_block()) zmatrix_block();
    } else if (abbreviates(word, "z-matrix")) {
      zmatrix_block();
    } else {
      fatal_error("'%s' ?\n", word);
    }
  }

 private:
  // A word up to a blank, a line end or one of `stops`, lower-cased; kept as the last word.
  void next_word(char* word, const char* stops) {
    int len = sc_.word(word, 64, stops);
    if (len < 0) fatal_error("\n'%.40s...' ?\n", word);
    if (len == 0) {
      int c = sc_.peek();
      if (c == EOF) fatal_error("\n '$%s': '$end' not found\n", group_);
      word[0] = static_cast<char>(std::getc(sc_.file()));
      word[1] = '\0';
    }
    lower_case(word);
    std::snprintf(d_.last_word, sizeof d_.last_word, "%s", word);
  }

  int int_value(const char* key) {
    int v;
    if (!sc_.literal('=') || !sc_.integer(&v)) fatal_error("\n %s?\n", key);
    return v;
  }

  void read_header(char* word) {
    for (;;) {
      next_word(word, sc_.peek() == '$' ? "=" : "=$");
      if (abbreviates(word, "charge")) {
        d_.charge = int_value("charge");
      } else if (abbreviates(word, "multiplicity")) {
        d_.multiplicity = int_value("multiplicity");
      } else if (abbreviates(word, "units")) {
        if (!sc_.literal('=')) fatal_error("\n %s?\n", "units");
        int c = sc_.peek();
        if (c == EOF) fatal_error("\n %s?\n", "units");
        std::getc(sc_.file());
        d_.angstrom = c == 'A';
      } else if (abbreviates(word, "radius")) {
        if (!sc_.literal('=') || !sc_.real(&d_.radius) || d_.radius < 0.0)
          fatal_error("\n %s?\n", "radius");
      } else if (abbreviates(word, "connect")) {
        d_.connect = true;
      } else {
        return;
      }
    }
  }

  void read_set() {
    char value[NAME_SLOT];
    if (!sc_.literal('=')) fatal_error("\n set?\n");
    int len = sc_.word(value, sizeof value, "");
    if (len < 0) fatal_error("\n set name longer than %d characters\n", NAME_SLOT - 1);
    if (len == 0) fatal_error("\n set?\n");
    if (std::strcmp(value, "\"\"") == 0) value[0] = '\0';  // back to the default set
    std::memcpy(d_.set_name, value, sizeof value);
    if (d_.n > 0) ++d_.set_counter;
  }

  void fragment_value(const char* word) {
    if (abbreviates(word, "charge"))
      d_.fragment_charge[d_.fragment] = int_value("charge");
    else
      d_.fragment_mult[d_.fragment] = int_value("multiplicity");
  }

  bool starts_atom() {
    int c = sc_.peek();
    return c != EOF && (std::isdigit(c) || c == '-' || c == '+' || c == '.');
  }

  // Returns true when a z-matrix block follows.
  bool cartesian_block() {
    char word[64];
    for (;;) {
      if (starts_atom()) {
        cartesian_atom();
        continue;
      }
      next_word(word, "=");
      if (std::strcmp(word, "set") == 0) {
        read_set();
      } else if (std::strcmp(word, "/") == 0) {
        if (d_.n > 0 && d_.fragment_atoms > 0) {
          ++d_.fragment;
          d_.fragment_charge[d_.fragment] = 0;
          d_.fragment_mult[d_.fragment] = 1;
          d_.fragment_atoms = 0;
        }
      } else if (abbreviates(word, "charge") || abbreviates(word, "multiplicity")) {
        fragment_value(word);
      } else if (std::strcmp(word, "$end") == 0) {
        return false;
      } else if (abbreviates(word, "z-matrix")) {
        return true;
      } else {
        fatal_error("\n'%s' ?\n", word);
      }
    }
  }

  int new_atom() {
    if (d_.n >= MAX_ATOMS) fatal_error("\n more than %d atoms\n", MAX_ATOMS);
    int z;
    if (!sc_.integer(&z)) fatal_error("\n atom %d: atomic number?\n", d_.n + 1);
    if (z < 0 || z > MAX_ELEMENT) fatal_error("\n atom %d: atomic number %d?\n", d_.n + 1, z);
    const int a = d_.n;
    d_.z[a] = z;
    d_.mass[a] = default_mass(z);
    d_.fragment_of[a] = d_.fragment;
    d_.set_index[a] = d_.set_counter;
    std::memcpy(d_.set_names + NAME_SLOT * a, d_.set_name, NAME_SLOT);
    std::memset(d_.type_names + NAME_SLOT * a, 0, NAME_SLOT);
    d_.n_bonds[a] = 0;
    for (int k = 0; k < MAX_NEIGHBOURS; ++k) d_.bonds[MAX_NEIGHBOURS * a + k] = -1;
    return a;
  }

  void finish_atom(int a) {
    ++d_.n;
    ++d_.fragment_atoms;
    atom_items(a);
  }

  double real_field(int atom, const char* what) {
    double v;
    if (!sc_.real(&v)) fatal_error("\n atom %d: %s?\n", atom + 1, what);
    return v;
  }
  int int_field(int atom, const char* what) {
    int v;
    if (!sc_.integer(&v)) fatal_error("\n atom %d: %s?\n", atom + 1, what);
    return v;
  }

  void cartesian_atom() {
    int a = new_atom();
    for (int k = 0; k < 3; ++k) d_.xyz[3 * a + k] = real_field(a, "coordinates");
    finish_atom(a);
  }

  static bool only_k(const char* w) {
    if (!*w) return false;
    for (; *w; ++w)
      if (*w != 'k') return false;
    return true;
  }

  // Optional "mass = ", "type = " and "k = i,j,..." after an atom line.
  void atom_items(int a) {
    char word[64];
    for (;;) {
      const long mark = sc_.tell();
      int len = sc_.word(word, sizeof word, "=");
      if (len <= 0) {
        sc_.seek(mark);
        return;
      }
      lower_case(word);
      if (std::strcmp(word, "mass") == 0) {
        if (!sc_.literal('=') || !sc_.real(&d_.mass[a]) || d_.mass[a] < 0.0)
          fatal_error("\n atom %d: mass?\n", a + 1);
      } else if (std::strcmp(word, "type") == 0) {
        char* slot = d_.type_names + NAME_SLOT * a;
        if (!sc_.literal('=')) fatal_error("\n atom %d: type?\n", a + 1);
        int n = sc_.word(slot, NAME_SLOT, "");
        if (n < 0) fatal_error("\n atom %d: type name longer than %d characters\n", a + 1, NAME_SLOT - 1);
        if (n == 0) fatal_error("\n atom %d: type?\n", a + 1);
      } else if (only_k(word)) {
        if (!sc_.literal('=')) fatal_error("\n atom %d: neighbours?\n", a + 1);
        do {
          int b;
          if (!sc_.integer(&b)) fatal_error("\n atom %d: neighbours?\n", a + 1);
          if (b < 1 || b > MAX_ATOMS) fatal_error("\n atom %d: neighbour %d?\n", a + 1, b);
          if (d_.n_bonds[a] >= MAX_NEIGHBOURS)
            fatal_error("\n atom %d: more than %d neighbours\n", a + 1, MAX_NEIGHBOURS);
          d_.bonds[MAX_NEIGHBOURS * a + d_.n_bonds[a]++] = b - 1;
        } while (sc_.literal(','));
      } else {
        sc_.seek(mark);
        return;
      }
    }
  }

  void add_record(int kind, int p, int q, int r, int s) {
    int* rec = d_.zmatrix + d_.zmatrix_used;
    rec[0] = kind;
    rec[1] = p;
    rec[2] = q;
    rec[3] = r;
    rec[4] = s;
    d_.zmatrix_used += 5;
  }

  // A 1-based reference to an earlier atom, returned 0-based.
  int reference(int atom, int value) {
    int v = value < 0 ? -value : value;
    if (v < 1 || v > atom) fatal_error("\n z-matrix atom %d: reference atom %d?\n", atom + 1, value);
    return v - 1;
  }

  void zmatrix_block() {
    d_.from_zmatrix = true;
    if (d_.n == 1 || d_.n == 2)
      fatal_error("\n z-matrix after %d cartesian atoms: give three or more, or none\n", d_.n);
    char word[64];
    for (;;) {
      if (starts_atom()) {
        zmatrix_atom();
        continue;
      }
      next_word(word, "=");
      if (std::strcmp(word, "set") == 0)
        read_set();
      else if (std::strcmp(word, "$end") == 0)
        return;
      else
        fatal_error("\n'%s' ?\n", word);
    }
  }

  void zmatrix_atom() {
    const int p = new_atom();
    double* at = d_.xyz + 3 * p;
    at[0] = at[1] = at[2] = 0.0;
    if (p > 0) {
      int i = reference(p, int_field(p, "reference"));
      double r = real_field(p, "distance");
      if (!(r > 0.0)) fatal_error("\n z-matrix atom %d: distance %g?\n", p + 1, r);
      add_record(ZM_DISTANCE, p, i, 0, 0);
      const double* a = d_.xyz + 3 * i;
      if (p == 1) {
        at[2] = r;
      } else {
        int j_in = int_field(p, "reference");
        int j = reference(p, j_in);
        double v = real_field(p, j_in > 0 ? "angle" : "distance");
        if (j == i) fatal_error("\n z-matrix atom %d: reference atom %d twice\n", p + 1, j + 1);
        const double* b = d_.xyz + 3 * j;
        if (j_in > 0)
          add_record(ZM_ANGLE, p, i, j, 0);
        else
          add_record(ZM_DISTANCE, p, j, 0, 0);
        if (p == 2) {
          place_third(p, r, j_in, v, a, b, at);
        } else {
          int k_in = int_field(p, "reference");
          int k = reference(p, k_in);
          double w = real_field(p, k_in > 0 ? "dihedral" : (j_in > 0 ? "angle" : "distance"));
          if (k == i || k == j) fatal_error("\n z-matrix atom %d: reference atom %d twice\n", p + 1, k + 1);
          const double* c = d_.xyz + 3 * k;
          bool ok;
          if (j_in > 0 && k_in > 0) {
            ok = place_distance_angle_dihedral(r, v * kRadiansPerDegree, w * kRadiansPerDegree, a, b, c, at);
            add_record(ZM_DIHEDRAL, p, i, j, k);
          } else if (j_in > 0) {
            ok = place_distance_angle_angle(r, v * kRadiansPerDegree, w * kRadiansPerDegree, a, b, c, at);
            add_record(ZM_ANGLE, p, i, k, 0);
          } else if (k_in > 0) {
            ok = v > 0.0 && place_distance_distance_dihedral(r, v, w * kRadiansPerDegree, a, b, c, at);
            add_record(ZM_DIHEDRAL, p, i, j, k);
          } else {
            ok = v > 0.0 && w > 0.0 && place_distance_distance_distance(r, v, w, a, b, c, at);
            add_record(ZM_DISTANCE, p, k, 0, 0);
          }
          if (!ok) fatal_error("\n z-matrix atom %d: these values place no atom\n", p + 1);
        }
      }
    }
    finish_atom(p);
  }

  void place_third(int p, double r, int j_in, double v, const double* a, const double* b, double* at) {
    double theta;
    if (j_in > 0) {
      theta = v * kRadiansPerDegree;
    } else {
      double ab = zm_distance(a, b);
      if (!(v > 0.0) || ab == 0.0) fatal_error("\n z-matrix atom %d: these values place no atom\n", p + 1);
      theta = triangle_angle(ab, r, v);
      if (std::isnan(theta)) fatal_error("\n z-matrix atom %d: these distances form no triangle\n", p + 1);
    }
    double s = b[2] >= a[2] ? 1.0 : -1.0;
    at[0] = a[0] + r * std::sin(theta);
    at[1] = a[1];
    at[2] = a[2] + s * r * std::cos(theta);
  }

  TextScanner sc_;
  const char* group_;
  MoleculeDraft& d_;
};

}  // namespace

void parse_molecule_group(std::FILE* file, const char* group, MoleculeDraft& draft) {
  MoleculeParser(file, group, draft).run();
}

}  // namespace ostrel
