#include "scf/xc/xc_functional.hpp"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "runtime/records.hpp"
#include "runtime/store.hpp"

namespace ostrel {
namespace {

constexpr double kKeep = -1;  // "leave the cleared value" in the a_hf and a_x columns

struct NameRow {
  const char* name;
  int x_code, c_code, level;
  double a_hf, a_x;
  bool sets_p;
  double p0, p1, p2;
};

// Plain rows; the parametrised family and "PBE1" get their extra settings in xc_lookup.
constexpr NameRow kNames[] = {
    {"VGGA", 16, 0, 1, kKeep, kKeep, false, 0, 0, 0},
    {"VGGA#1", 16, 0, 1, kKeep, kKeep, false, 0, 0, 0},
    {"VT2", 16, 0, 2, kKeep, kKeep, false, 0, 0, 0},
    {"HF", 0, 0, 0, 1.0, 1.0, false, 0, 0, 0},
    {"S", 1, 0, 0, 0, 1.0, false, 0, 0, 0},
    {"LSD", 1, 1, 0, 0, 1.0, false, 0, 0, 0},
    {"VWN", 1, 2, 0, 0, 1.0, false, 0, 0, 0},
    {"VWN5", 1, 8, 0, 0, 1.0, false, 0, 0, 0},
    {"B", 3, 0, 1, 0, 1.0, false, 0, 0, 0},
    {"A", 7, 0, 1, 0, 1.0, false, 0, 0, 0},
    {"BLYP", 3, 4, 1, 0, 1.0, false, 0, 0, 0},
    {"SLYP0", 1, 9, 0, 0, 1.0, false, 0, 0, 0},
    {"OLYP", 6, 4, 1, 0, 1.0, false, 0, 0, 0},
    {"PBE", 2, 3, 1, 0, 1.0, false, 0, 0, 0},
    {"MPBE", 4, 3, 1, 0, 1.0, false, 0, 0, 0},
    {"BPBE", 5, 3, 1, 0, 1.0, false, 0, 0, 0},
    {"PBE1", 2, 3, 1, 0.25, 0.75, false, 0, 0, 0},
    {"HFLSD", 0, 1, 0, 1.0, 0, false, 0, 0, 0},
    {"HFPBE", 0, 3, 1, 1.0, 0, false, 0, 0, 0},
    {"B2PBE", 3, 5, 1, 0.2, 0.8, true, 0.00378, 0.0042, 1.0},
    {"B3PBE", 3, 5, 1, 0.2, 0.8, true, 0.00378, 0.0042, 0.81},
    {"HFLYP", 0, 4, 1, 1.0, 0, false, 0, 0, 0},
    {"B1LYP", 3, 6, 1, 0.2, 0.8, true, 0.0042, 0.0042, 1.0},
    {"B2LYP", 3, 6, 1, 0.2, 0.8, true, 0.00378, 0.0042, 1.0},
    {"B3LYP", 3, 6, 1, 0.2, 0.8, true, 0.00378, 0.0042, 0.81},
    {"B3LYP_PW", 3, 7, 1, 0.2, 0.8, true, 0.00378, 0.0042, 0.81},
};

void apply_row(const NameRow& row, XcFunctional& r) {
  r.x_code = row.x_code;
  r.c_code = row.c_code;
  r.level = row.level;
  if (row.a_hf != kKeep) r.a_hf = row.a_hf;
  if (row.a_x != kKeep) r.a_x = row.a_x;
  if (row.sets_p) {
    r.p[0] = row.p0;
    r.p[1] = row.p1;
    r.p[2] = row.p2;
  }
  const std::string name = row.name;
  if (name == "VGGA") {
    r.vgga = 1;
    r.n[4] = 0;
    r.nvar = r.n[1] * r.n[0] * r.n[2] + 2;
  } else if (name == "VGGA#1") {
    r.vgga = 1;
    r.n[4] = 1;
    r.nvar = r.n[1] * r.n[0] * r.n[2] + r.n[2] + 2;
  } else if (name == "VT2") {
    r.vgga = 1;
    r.n[4] = 2;
    r.nvar = r.n[1] * r.n[0];
  } else if (name == "PBE1" && r.p[0] != 0) {
    r.a_hf = r.p[0];
    r.a_x = 1 - r.p[0];
  }
}

}  // namespace

XcFunctional xc_cleared(const double p[32], const std::int32_t n[5]) {
  XcFunctional r{};
  r.a_hf = 0;
  r.a_x = 1;
  for (int i = 0; i < 32; ++i) r.p[i] = p[i];
  r.x_code = 0;
  r.c_code = 0;
  r.level = -1;
  r.vgga = 0;
  for (int i = 0; i < 5; ++i) r.n[i] = n[i];
  r.nvar = 0;
  return r;
}

bool xc_lookup(const char* name, XcFunctional& record) {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const NameRow& row : kNames)
    if (upper == row.name) apply_row(row, record);
  return record.level != -1;
}

void xc_store_write(const XcFunctional& record) {
  record_ensure(rec::functional, 1);
  record_put(rec::functional, record);
}

XcFunctional xc_store_read() { return record_get(rec::functional); }

}  // namespace ostrel
