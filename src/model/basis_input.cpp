// The basis library reader: atom kinds, library entries, kind records and the `Basis`.
#include "model/basis_input.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "input/group.hpp"
#include "model/basis_record.hpp"
#include "model/elements.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_scanner.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {

namespace {

constexpr int kSetLine = 128;  // a "set" line with its "|" alternatives

struct Kind {
  int z;
  char name[NAME_SLOT];  // set name from the molecule (empty: the default set)
  char match[NAME_SLOT]; // the name entries are compared with
  void* record;          // pool block of the kind record, null without data
  std::int64_t size;
};

// Part of `name` before the first "&" (half 0) or after it (half 1; the whole name
// without "&").
void cut_half(const char* name, int half, char* out) {
  const char* amp = std::strchr(name, '&');
  if (!amp) {
    std::snprintf(out, NAME_SLOT, "%s", name);
  } else if (half == 0) {
    std::snprintf(out, NAME_SLOT, "%.*s", static_cast<int>(amp - name), name);
  } else {
    std::snprintf(out, NAME_SLOT, "%s", amp + 1);
  }
}

bool set_lists(const char* set_line, const char* name) {
  const std::size_t n = std::strlen(name);
  const char* p = set_line;
  for (;;) {
    const char* bar = std::strchr(p, '|');
    const std::size_t len = bar ? std::size_t(bar - p) : std::strlen(p);
    if (len == n && std::strncmp(p, name, n) == 0) return true;
    if (!bar) return false;
    p = bar + 1;
  }
}

class LibraryReader {
 public:
  LibraryReader(std::FILE* f, Kind* kinds, int n_kinds, int relativistic, int coulomb)
      : sc_(f), kinds_(kinds), n_kinds_(n_kinds), rel_(relativistic), coulomb_(coulomb) {}

  int general = 0;
  // Blocks of kind records are taken from the pool above `raw`; the first one is returned
  // so that the caller can give them all back.
  void* first_block = nullptr;

  void run(ShellSlot* raw) {
    char word[64];
    std::strcpy(set_, "");
    set_from_default_ = true;
    for (;;) {
      int c = sc_.peek();
      if (c == EOF) fatal_error("\n %d?\n", last_z_);
      if (std::isdigit(c) || c == '-' || c == '+') {
        element(raw);
        continue;
      }
      int len = sc_.word(word, sizeof word, "=");
      if (len <= 0) fatal_error("\n %d?\n", last_z_);
      lower_case(word);
      if (std::strcmp(word, "$end") == 0) return;
      if (std::strcmp(word, "type") == 0) {
        char value[16];
        if (!sc_.literal('=') || sc_.word(value, sizeof value, "") <= 0) fatal_error("\n type?\n");
        lower_case(value);
        if (std::strcmp(value, "general") == 0) {
          general = 1;
        } else if (std::strcmp(value, "sto") == 0) {
          if (rel_ != 0) fatal_error("\n Slater-expansion basis sets need the nonrelativistic mode\n");
          sto_ = true;
        } else {
          fatal_error("\n type '%s'?\n", value);
        }
      } else if (std::strcmp(word, "default") == 0) {
        if (!sc_.literal('=')) fatal_error("\n default?\n");
        int n = sc_.word(default_, sizeof default_, "");
        if (n < 0) fatal_error("\n default set name longer than %d characters\n", NAME_SLOT - 1);
        if (n == 0) fatal_error("\n default?\n");
        resolve_defaults();
      } else if (std::strcmp(word, "set") == 0) {
        if (!sc_.literal('=')) fatal_error("\n set?\n");
        int n = sc_.word(set_, sizeof set_, "");
        if (n < 0) fatal_error("\n set line longer than %d characters\n", kSetLine - 1);
        if (n == 0) fatal_error("\n set?\n");
        set_from_default_ = false;
      } else {
        fatal_error("\n %d?\n", last_z_);
      }
    }
  }

  void resolve_defaults() {
    for (int k = 0; k < n_kinds_; ++k)
      if (kinds_[k].name[0] == '\0') cut_half(default_, 0, kinds_[k].match);
  }

 private:
  int read_int() {
    int v;
    if (!sc_.integer(&v)) fatal_error("\n %d?\n", last_z_);
    return v;
  }
  double read_real() {
    double v;
    if (!sc_.real(&v)) fatal_error("\n %d?\n", last_z_);
    return v;
  }

  void element(ShellSlot* raw) {
    int z, n_shells;
    if (!sc_.integer(&z) || !sc_.integer(&n_shells)) fatal_error("\n %d?\n", last_z_);
    last_z_ = z;
    if (n_shells < 0 || n_shells > MAX_KIND_SHELLS)
      fatal_error("\n element %d: %d shells (at most %d)\n", z, n_shells, MAX_KIND_SHELLS);
    const char* current = set_from_default_ ? default_ : set_;
    for (int s = 0; s < n_shells; ++s) shell(raw[s], z);

    for (int k = 0; k < n_kinds_; ++k) {
      Kind& kind = kinds_[k];
      if (kind.z != z || !set_lists(current, kind.match)) continue;
      if (kind.record) fatal_error("'%s'?\n", current);
      kind.size = build_kind(raw, n_shells, rel_, coulomb_, z, nullptr);
      kind.record = pool_alloc(kind.size);
      if (!first_block) first_block = kind.record;
      build_kind(raw, n_shells, rel_, coulomb_, z, kind.record);
    }
  }

  void shell(ShellSlot& sh, int z) {
    std::memset(&sh, 0, sizeof sh);
    if (sto_) {
      const int l = read_int(), n = read_int(), k = read_int();
      const double zeta = read_real();
      const double* row = sto_kg_row(k, n, l);
      if (!row || !(zeta > 0.0))
        fatal_error("\n element %d: Slater shell L=%d n=%d K=%d zeta=%g?\n", z, l, n, k, zeta);
      sh.l = l;
      sh.n_primitives = k;
      for (int i = 0; i < k; ++i) {
        sh.exponent[i] = zeta * zeta * row[2 * i];
        sh.coef[0][i] = std::pow(zeta, l + 1.5) * row[2 * i + 1];
      }
      return;
    }
    const int l = read_int(), k = read_int();
    if (l < 0 || l > MAX_BASIS_L) fatal_error("\n element %d: shell L=%d?\n", z, l);
    if (k < 1 || k > MAX_PRIMITIVES)
      fatal_error("\n element %d: %d primitives (at most %d)\n", z, k, MAX_PRIMITIVES);
    double scale = 1.0;
    const long mark = sc_.tell();
    if (sc_.peek() == 's') {
      std::getc(sc_.file());
      if (!sc_.literal('=') || !sc_.real(&scale) || !(scale > 0.0))
        fatal_error("\n element %d: scale?\n", z);
    } else {
      sc_.seek(mark);
    }
    sh.l = l;
    sh.n_primitives = k;
    const int values = rel_ == 0 ? 1 : (rel_ == 1 || l == 0 ? 2 : 4);
    for (int p = 0; p < k; ++p) {
      const double a = read_real() * scale * scale;
      if (!(a > 0.0)) fatal_error("\n element %d: exponent %g?\n", z, a);
      double c[4] = {0, 0, 0, 0};
      for (int v = 0; v < values; ++v) c[v] = read_real();
      const double norm = 1.0 / std::sqrt(norm_integral(2 * l + 2, 2.0 * a));
      sh.exponent[p] = a;
      sh.coef[0][p] = c[0] * norm;
      if (rel_ >= 1) sh.coef[1][p] = c[1] * norm / SPEED_OF_LIGHT;
      if (rel_ == 2) {
        sh.coef[2][p] = l == 0 ? sh.coef[0][p] : c[2] * norm;
        sh.coef[3][p] = l == 0 ? sh.coef[1][p] : c[3] * norm / SPEED_OF_LIGHT;
      }
    }
  }

  TextScanner sc_;
  Kind* kinds_;
  int n_kinds_;
  int rel_;
  int coulomb_;
  bool sto_ = false;
  int last_z_ = -1;
  char default_[NAME_SLOT] = {};
  char set_[kSetLine] = {};
  bool set_from_default_ = true;
};

void print_basis(const char* library, const Basis& b, const Molecule& m) {
  std::printf("\n Basis set input: '%s'\n", library);
  for (int a = 0; a < b.n_atoms; ++a) {
    const BasisKind& k = b.kind[a];
    int contracted = 0, primitive = 0;
    int prim_per_l[MAX_BASIS_L + 1] = {};
    for (int e = 0; e < k.n_exponents; ++e)
      for (int l = k.exp_lmin[e]; l <= k.exp_lmax[e]; ++l) ++prim_per_l[l];
    for (int l = 0; l <= k.lmax; ++l) {
      contracted += k.l_count[l] * (2 * l + 1);
      primitive += prim_per_l[l] * (2 * l + 1);
    }
    std::printf(" %4d %3d %2s : %3d/%-3d : ", a + 1, m.z[a], element_symbol(m.z[a]), contracted, primitive);
    for (int l = 0; l <= k.lmax; ++l) std::printf(l == 0 ? "{%d" : ",%d", k.l_count[l]);
    std::printf("}/");
    for (int l = 0; l <= k.lmax; ++l) std::printf(l == 0 ? "{%d" : ",%d", prim_per_l[l]);
    std::printf("}\n");
  }
  std::fflush(stdout);
}

void assemble(const char* library, const char* record, const char* count_key,
              const char* offsets_key, const Molecule& m, const Kind* kinds, const int* kind_of,
              int general) {
  const int n = m.n_atoms;
  // Empty kinds still need a record: one without shells.
  std::int64_t kind_bytes = 0;
  int n_shells = 0;
  for (int a = 0; a < n; ++a) {
    const Kind& k = kinds[kind_of[a]];
    kind_bytes += k.record ? k.size : kind_record_size(0, 0, 0, 0, 0);
    if (k.record) n_shells += static_cast<const int*>(k.record)[4];
  }
  const BasisLayout layout = basis_layout(n, n_shells, kind_bytes);
  if (layout.total > 0x7fffffffLL - 8) fatal_error("\n basis record '%s' is too large\n", record);
  PoolArray<char> image(layout.total);
  PoolArray<BasisKind> views(n > 0 ? n : 1);
  std::memset(image.data(), 0, static_cast<std::size_t>(layout.total));
  int* head = reinterpret_cast<int*>(image.data());
  head[0] = static_cast<int>(layout.total);
  head[1] = n;
  head[2] = n_shells;
  head[4] = general;
  char* at = image.data() + layout.kinds;
  for (int a = 0; a < n; ++a) {
    const Kind& k = kinds[kind_of[a]];
    if (k.record) {
      std::memcpy(at, k.record, static_cast<std::size_t>(k.size));
      at += k.size;
    } else {
      int* empty = reinterpret_cast<int*>(at);
      empty[0] = static_cast<int>(kind_record_size(0, 0, 0, 0, 0));
      at += empty[0];
    }
  }
  Basis b{};
  basis_attach(b, image.data(), views.data());

  int shell = 0, function = 0, lmax = 0, largest = 0;
  long long pair = 0;
  for (int a = 0; a < n; ++a) {
    const BasisKind& k = b.kind[a];
    b.atom_first_function[a] = function;
    b.atom_first_shell[a] = shell;
    b.pair_offset[a] = static_cast<int>(pair);
    double extent = 0.0;
    for (int s = 0; s < k.n_shells; ++s, ++shell) {
      ShellSlot& sh = b.shells[shell];
      sh.l = k.shell_l[s];
      sh.atom = a;
      for (int e = 0; e < k.n_exponents; ++e) {
        const double c = k.coef[0][std::int64_t{e} * k.n_shells + s];
        if (c == 0.0) continue;
        sh.exponent[sh.n_primitives] = k.exponents[e];
        sh.coef[0][sh.n_primitives] = c;
        sh.coef[1][sh.n_primitives] = k.coef[1][std::int64_t{e} * k.n_shells + s];
        ++sh.n_primitives;
      }
      sh.extent2 = sh.n_primitives > 0 ? kExtentLog / sh.exponent[0] : 0.0;
      if (sh.extent2 > extent) extent = sh.extent2;
      sh.first_function = function;
      b.shell_first_function[shell] = function;
      function += 2 * sh.l + 1;
      sh.next_function = function;
      if (sh.l > lmax) lmax = sh.l;
    }
    b.atom_extent2[a] = extent;
    const int on_atom = function - b.atom_first_function[a];
    if (on_atom > largest) largest = on_atom;
    pair += static_cast<long long>(on_atom) * on_atom;
    if (pair > 0x7fffffffLL) fatal_error("\n basis record '%s' is too large\n", record);
  }
  b.atom_first_function[n] = function;
  b.atom_first_shell[n] = shell;
  b.pair_offset[n] = static_cast<int>(pair);
  b.shell_first_function[n_shells] = function;
  b.shells[n_shells].first_function = function;
  b.shells[n_shells].next_function = function;
  b.shells[n_shells].atom = n;
  std::memcpy(b.atom_first_function_copy, b.atom_first_function, sizeof(int) * std::size_t(n + 1));
  head[3] = function;
  head[5] = lmax;
  head[6] = largest;
  basis_attach(b, image.data(), views.data());

  print_basis(library, b, m);
  const int bytes = static_cast<int>(layout.total);
  const Record<char> stored{record};
  if (record_exists(stored)) record_free(stored);
  record_alloc(stored, kBasisImageAt + layout.total);
  record_put(Record<int>{record}, bytes);
  record_write(stored, image.data(), layout.total, kBasisImageAt);
  record_put(Record<int>{count_key}, function);
  record_write(Record<int>{offsets_key}, b.atom_first_function, n + 1);
}

void read_basis_for(const Molecule& m, const char* library, const char* group, const char* record,
                    const char* count_key, const char* offsets_key, int half, int relativistic,
                    int coulomb_metric);

}  // namespace

void read_basis(const char* library, const char* group, const char* record, const char* count_key,
                const char* offsets_key, int half, int relativistic, int coulomb_metric) {
  Molecule m = load_molecule(0, "Molecule");
  read_basis_for(m, library, group, record, count_key, offsets_key, half, relativistic, coulomb_metric);
  release_molecule(m);
}

namespace {

void read_basis_for(const Molecule& m, const char* library, const char* group, const char* record,
                    const char* count_key, const char* offsets_key, int half, int relativistic,
                    int coulomb_metric) {
  const int n = m.n_atoms;
  // Kinds: (atomic number, set name) in order of first appearance.
  PoolArray<Kind> kinds(n > 0 ? n : 1);
  PoolArray<int> kind_of(n > 0 ? n : 1);
  int n_kinds = 0;
  for (int a = 0; a < n; ++a) {
    int k = 0;
    while (k < n_kinds && !(kinds[k].z == m.z[a] && std::strcmp(kinds[k].name, m.set_name(a)) == 0)) ++k;
    if (k == n_kinds) {
      Kind& kind = kinds[n_kinds++];
      std::memset(&kind, 0, sizeof kind);
      kind.z = m.z[a];
      std::snprintf(kind.name, NAME_SLOT, "%s", m.set_name(a));
      cut_half(kind.name, half, kind.match);
    }
    kind_of[a] = k;
  }

  const InputSource source(library, "\nfile '%s'?\n");
  std::FILE* in = source.get();
  if (find_group(in, group, 1) != 0) fatal_error("\n %d?\n", -1);

  PoolArray<ShellSlot> raw(MAX_KIND_SHELLS);
  LibraryReader reader(in, kinds.data(), n_kinds, relativistic, coulomb_metric);
  reader.resolve_defaults();
  reader.run(raw.data());
  for (int k = 0; k < n_kinds; ++k)
    if (!kinds[k].record) std::printf("no data for %3d,'%s'\n", kinds[k].z, kinds[k].name);
  assemble(library ? library : "", record, count_key, offsets_key, m, kinds.data(), kind_of.data(),
           reader.general);
  if (reader.first_block) pool_release(reader.first_block);
}

}  // namespace

}  // namespace ostrel
