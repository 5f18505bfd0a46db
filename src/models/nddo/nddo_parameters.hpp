#pragma once
// Element parameters of the NDDO models: the "$nddo" data group and its store block.

namespace ostrel {

inline constexpr int kNddoMaxElement = 54;
inline constexpr int kNddoSlots = 55;  // index = atomic number, 0 unused

// One element. The field order and sizes are the layout of the store block.
struct NddoElement {
  int nval;      // valence electrons, sum of ne[0..L]
  int L;         // highest valence angular momentum, -1 = not defined
  int nbf;       // (L+1)^2
  int naux;      // sum over l of nc[l] (2l+1)
  int ne[4];     // electrons per angular momentum
  int nr[4];     // principal quantum numbers
  int kg;        // "br" set in use, 0-based
  int ng;        // "br" sets
  int model[3];  // header values; model[1] chooses the variant
  int na[3];     // header values
  double E0;     // atom constant
  double h[4], ah[4], at[4], ct[4], au[4], av[4], aq[4], bh[4];
  double br[4][4];
  double cq[4], ap[4], cw[4], bw[4], a0[4], f0[4];
  int nc[4];
  double ac[4][6], ec[4][6];
};
static_assert(sizeof(NddoElement) * kNddoSlots == 58520);

struct NddoParameters {
  NddoElement element[kNddoSlots];
};

// The per-shell items of an element block in file order, split by the "br" sets between
// them; reader and writer share the table so that their orders cannot drift apart.
struct NddoShellItem {
  const char* label;
  const char* written;  // label as the writer prints it
  double (NddoElement::*values)[4];
  bool optional;
};
inline constexpr NddoShellItem kNddoItemsBeforeBr[] = {
    {"h", "h =", &NddoElement::h, false},   {"ah", "ah=", &NddoElement::ah, false},
    {"bh", "bh=", &NddoElement::bh, true},  {"at", "at=", &NddoElement::at, false},
    {"ct", "ct=", &NddoElement::ct, false}, {"au", "au=", &NddoElement::au, false},
    {"av", "av=", &NddoElement::av, false}, {"ap", "ap=", &NddoElement::ap, false},
    {"aq", "aq=", &NddoElement::aq, true},
};
inline constexpr NddoShellItem kNddoItemsAfterBr[] = {
    {"cq", "cq=", &NddoElement::cq, false}, {"cw", "cw=", &NddoElement::cw, true},
    {"bw", "bw=", &NddoElement::bw, true},  {"a0", "a0=", &NddoElement::a0, false},
    {"f0", "f0=", &NddoElement::f0, false},
};

}  // namespace ostrel
