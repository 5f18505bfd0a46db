// The "$nddo" writer: the reader's item order, so that a written group reads back equal.
#include "models/nddo/nddo_parameters_write.hpp"

#include <cstdio>

namespace ostrel {
namespace {

void values(std::FILE* out, const char* label, const double* v, int n) {
  std::fprintf(out, "%s", label);
  for (int l = 0; l < n; ++l) std::fprintf(out, "%s%11.8lf", l ? "," : "", v[l]);
  std::fprintf(out, "\n");
}

}  // namespace

void write_nddo_parameters(const NddoParameters& p, const char* group, std::FILE* out) {
  const NddoElement* first = nullptr;
  for (int z = 1; z < kNddoSlots && !first; ++z)
    if (p.element[z].L >= 0) first = &p.element[z];
  const int zero[3] = {0, 0, 0};
  const int* model = first ? first->model : zero;
  const int* na = first ? first->na : zero;
  std::fprintf(out, "%s\n", group);
  std::fprintf(out, "model=%d,%d,%d\n", model[0], model[1], model[2]);
  std::fprintf(out, "ng=%d\n", first ? first->ng : 1);
  std::fprintf(out, "na=%d,%d,%d\n", na[0], na[1], na[2]);
  for (int z = 1; z < kNddoSlots; ++z) {
    const NddoElement& e = p.element[z];
    if (e.L < 0) continue;
    const int n = e.L + 1;
    std::fprintf(out, "\natom=%d\n", z);
    std::fprintf(out, "L=%d", e.L);
    std::fprintf(out, " ne=%d", e.ne[0]);
    for (int l = 1; l < n; ++l) std::fprintf(out, ",%d", e.ne[l]);
    std::fprintf(out, " nr=");
    for (int l = 0; l < n; ++l) std::fprintf(out, "%s%d", l ? "," : "", e.nr[l]);
    std::fprintf(out, "\nkg=%d\n", e.kg + 1);
    std::fprintf(out, "E0=%11.8lf\n", e.E0);
    for (const NddoShellItem& item : kNddoItemsBeforeBr) values(out, item.written, e.*item.values, n);
    for (int k = 0; k < e.ng; ++k) {
      std::fprintf(out, "%s", k ? ",\n   " : "br=");
      for (int l = 0; l < n; ++l) std::fprintf(out, "%s%11.8lf", l ? "," : "", e.br[k][l]);
    }
    std::fprintf(out, "\n");
    for (const NddoShellItem& item : kNddoItemsAfterBr) values(out, item.written, e.*item.values, n);
    std::fprintf(out, "nc=%d,%d,%d,%d\n", e.nc[0], e.nc[1], e.nc[2], e.nc[3]);
    for (int pass = 0; pass < 2; ++pass) {
      const double (*v)[6] = pass == 0 ? e.ac : e.ec;
      std::fprintf(out, "%s", pass == 0 ? "ac=" : "ec=");
      int k = 0;
      for (int l = 0; l < 4; ++l)
        for (int i = 0; i < e.nc[l]; ++i) std::fprintf(out, "%s%11.8lf", k++ ? "," : "", v[l][i]);
      std::fprintf(out, "\n");
    }
  }
  std::fprintf(out, "\n$end\n");
}

}  // namespace ostrel
