#pragma once
#include <cstdint>

namespace ostrel {

// The functional record kept in the store under "functional" (312 bytes, fields in order).
struct XcFunctional {
  double a_hf;   // fraction of exact exchange
  double a_x;    // weight of the density-functional exchange
  double p[32];  // real parameters (some rows of the name table set p[0..2])
  std::int32_t x_code;
  std::int32_t c_code;
  std::int32_t level;  // -1 unknown name, 0 local, 1 gradient-corrected, 2 only "VT2"
  std::int32_t vgga;   // 1 for the parametrised family
  std::int32_t n[5];   // integer parameters; n[4] set by the parametrised family
  std::int32_t nvar;   // parameter count of the parametrised family
};
static_assert(sizeof(XcFunctional) == 312, "the record layout is fixed");

// Exchange kinds (x_code) and correlation kinds (c_code).
enum XcExchange : int {
  XC_X_NONE = 0, XC_X_SLATER = 1, XC_X_PBE = 2, XC_X_B88 = 3, XC_X_MPBE = 4,
  XC_X_BECKE_MIXED = 5, XC_X_OPTX = 6, XC_X_BECKE_HALF = 7, XC_X_PARAMETRISED = 16
};
enum XcCorrelation : int {
  XC_C_NONE = 0, XC_C_PW92 = 1, XC_C_VWN_RPA = 2, XC_C_PBE = 3, XC_C_LYP = 4,
  XC_C_PBE_SCALED = 5, XC_C_LYP_VWN = 6, XC_C_LYP_PW92 = 7, XC_C_VWN5 = 8, XC_C_LYP_LOCAL = 9
};

// Record cleared for a lookup: a_hf 0, a_x 1, level -1, codes 0, with the input's p and n.
XcFunctional xc_cleared(const double p[32], const std::int32_t n[5]);

// Fills `record` from the name table (exact match of the upper-cased name). Returns false,
// leaving level at -1, when no row matches. `record` must have been cleared.
bool xc_lookup(const char* name, XcFunctional& record);

// The store record "functional".
void xc_store_write(const XcFunctional& record);
XcFunctional xc_store_read();

}  // namespace ostrel
