// The "$nddo" reader: fixed item order, labelled lists of comma-separated numbers.
#include "models/nddo/nddo_parameters_read.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "input/group.hpp"
#include "input/library_file.hpp"
#include "model/elements.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

[[noreturn]] void bad(const std::string& what) {
  fatal_error("*** error in '$nddo' : %s\n", what.c_str());
}

void skip_space(std::FILE* in) {
  int c;
  while ((c = std::getc(in)) != EOF && std::isspace(c)) {
  }
  if (c != EOF) std::ungetc(c, in);
}

// The next label (letters and digits) without consuming it beyond what it reads; the
// caller puts it back through `pending` when an optional item is absent.
struct Lexer {
  std::FILE* in;
  std::string pending;

  std::string label() {
    if (!pending.empty()) return pending;
    skip_space(in);
    std::string word;
    int c;
    while ((c = std::getc(in)) != EOF && (std::isalnum(c) || c == '$')) word += static_cast<char>(c);
    if (c != EOF) std::ungetc(c, in);
    pending = word;
    return word;
  }
  // Consumes the label `name` and its "="; false (nothing consumed) when another label is next.
  bool take(const char* name) {
    if (label() != name) return false;
    pending.clear();
    skip_space(in);
    if (std::getc(in) != '=') bad(std::string("'=' expected after ") + name);
    return true;
  }
  void require(const char* name) {
    if (!take(name)) bad(std::string("item '") + name + "' expected, found '" + label() + "'");
  }
  // Comma-separated numbers after a label: at most `limit`.
  template <class T>
  int numbers(const char* name, T* out, int limit) {
    int n = 0;
    for (;;) {
      if (n == limit) return n;
      double v;
      if (std::fscanf(in, " %lf", &v) != 1 || !std::isfinite(v))
        bad(std::string("number expected in item '") + name + "'");
      if constexpr (std::is_integral_v<T>) {
        // Converting a value beyond the integer range is undefined; such a count is no count.
        if (!(v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max()))
          bad(std::string("integer out of range in item '") + name + "'");
      }
      out[n++] = static_cast<T>(v);
      skip_space(in);
      const int c = std::getc(in);
      if (c != ',') {
        if (c != EOF) std::ungetc(c, in);
        return n;
      }
    }
  }
};

// The items of `table` in order; optional ones keep their preset values when absent.
// *have_last tells whether the table's last item was given.
template <std::size_t N>
void shell_items(Lexer& lx, NddoElement& e, const NddoShellItem (&table)[N], int count, bool* have_last) {
  for (std::size_t k = 0; k < N; ++k) {
    const NddoShellItem& item = table[k];
    bool given = true;
    if (item.optional)
      given = lx.take(item.label);
    else
      lx.require(item.label);
    if (given && lx.numbers(item.label, e.*item.values, count) != count)
      bad(std::string("item '") + item.label + "' needs " + std::to_string(count) + " values");
    if (have_last && k + 1 == N) *have_last = given;
  }
}

void read_element(Lexer& lx, NddoElement& e, int ng) {
  int L = 0;
  lx.require("L");
  lx.numbers("L", &L, 1);
  if (L < 0 || L > 3) bad("L=" + std::to_string(L) + " outside 0..3");
  const int n = L + 1;
  e.L = L;
  e.nbf = n * n;
  lx.require("ne");
  if (lx.numbers("ne", e.ne, 4) < n) bad("fewer ne values than L+1");
  lx.require("nr");
  int nr[5] = {};
  if (lx.numbers("nr", nr, 5) != n) bad("nr needs exactly L+1 values");
  for (int l = 0; l < 4; ++l) e.nr[l] = l < n ? nr[l] : 0;
  e.nval = 0;
  for (int l = 0; l < n; ++l) e.nval += e.ne[l];
  int kg = 1;
  if (lx.take("kg")) lx.numbers("kg", &kg, 1);
  if (kg < 1 || kg > ng) bad("kg=" + std::to_string(kg) + " beyond ng=" + std::to_string(ng));
  e.kg = kg - 1;
  e.ng = ng;
  lx.require("E0");
  lx.numbers("E0", &e.E0, 1);
  for (int l = 0; l < n; ++l) e.bw[l] = 2.0;
  bool have_aq = false;
  shell_items(lx, e, kNddoItemsBeforeBr, n, &have_aq);
  if (!have_aq)
    for (int l = 0; l < n; ++l) e.aq[l] = e.av[l];
  lx.require("br");
  double br[16] = {};
  const int got = lx.numbers("br", br, ng * n);
  if (got % n != 0) bad("br values are not whole sets of L+1");
  for (int k = 0; k < ng; ++k) {
    const int from = k < got / n ? k : got / n - 1;
    for (int l = 0; l < n; ++l) e.br[k][l] = br[from * n + l];
  }
  shell_items(lx, e, kNddoItemsAfterBr, n, nullptr);
  lx.require("nc");
  lx.numbers("nc", e.nc, 4);
  int total = 0;
  e.naux = 0;
  for (int l = 0; l < 4; ++l) {
    if (e.nc[l] < 0 || e.nc[l] > 6) bad("nc=" + std::to_string(e.nc[l]) + " outside 0..6");
    total += e.nc[l];
    e.naux += e.nc[l] * (2 * l + 1);
  }
  for (const char* name : {"ac", "ec"}) {
    double v[24] = {};
    lx.require(name);
    if (total > 0 && lx.numbers(name, v, total) != total)
      bad(std::string("item '") + name + "' needs " + std::to_string(total) + " values");
    double (*dest)[6] = name[0] == 'a' ? e.ac : e.ec;
    int k = 0;
    for (int l = 0; l < 4; ++l)
      for (int i = 0; i < e.nc[l]; ++i) dest[l][i] = v[k++];
  }
}

}  // namespace

void parse_nddo_group(std::FILE* in, NddoParameters& p) {
  std::memset(&p, 0, sizeof p);
  for (NddoElement& e : p.element) {
    e.L = -1;
    e.model[0] = e.model[1] = e.model[2] = -1;
  }
  Lexer lx{in, {}};
  int model[3] = {}, na[3] = {}, ng = 0;
  lx.require("model");
  if (lx.numbers("model", model, 3) != 3) bad("model needs 3 values");
  lx.require("ng");
  lx.numbers("ng", &ng, 1);
  if (ng < 1 || ng > 4) bad("ng=" + std::to_string(ng) + " outside 1..4");
  lx.require("na");
  if (lx.numbers("na", na, 3) != 3) bad("na needs 3 values");
  std::printf(" model=%d,%d,%d na=%d,%d,%d\n", model[0], model[1], model[2], na[0], na[1], na[2]);
  for (;;) {
    if (lx.label() == "$end") break;
    int z = 0;
    lx.require("atom");
    lx.numbers("atom", &z, 1);
    if (z < 1 || z > kNddoMaxElement) bad("atom=" + std::to_string(z) + " outside 1..54");
    NddoElement& e = p.element[z];
    std::memset(&e, 0, sizeof e);
    for (int k = 0; k < 3; ++k) {
      e.model[k] = model[k];
      e.na[k] = na[k];
    }
    read_element(lx, e, ng);
    std::printf(" %s", element_symbol(z));
  }
  std::printf("\n");
}

void read_nddo_parameters(const char* file, const char* record) {
  const bool own = file && file[0];
  std::printf("\n nddo data file: '%s'\n", own ? file : "");
  std::FILE* in = own ? std::fopen(file, "r") : stdin;
  if (!in && !std::strchr(file, '/')) {
    // Shipped model files ("am1" or "am1.nddo") live beside the basis library.
    for (const std::string& name : {std::string(file), std::string(file) + ".nddo"}) {
      const std::string shipped = shipped_library_path("../nddo/" + name);
      if (!in && !shipped.empty()) in = std::fopen(shipped.c_str(), "r");
    }
  }
  if (!in) fatal_error("\n file '%s'?\n", file);
  if (!own) std::rewind(in);
  if (find_group(in, "nddo", 1) != 0) {
    if (own) std::fclose(in);
    bad("group not found");
  }
  PoolArray<NddoParameters> p(1);
  parse_nddo_group(in, p[0]);
  if (own) std::fclose(in);
  record_save(Record<NddoElement>{record}, p[0].element, kNddoSlots);
}

}  // namespace ostrel
