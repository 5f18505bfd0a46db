#include "input/element_table.hpp"

#include <cstdint>
#include <cstring>

#include "input/group.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

constexpr int kL = 10;  // angular momenta held per element in the working arrays
constexpr int kBuiltinL = 4;
constexpr int kKeep = -1;  // preset entry that leaves the core count as it is

// Shells and core shells (s p d f) of the built-in table for the range first..last.
struct ShellRange {
  int first, last;
  int shells[kBuiltinL];
  int core[kBuiltinL];
};

constexpr ShellRange kShellRanges[] = {
    {0, 0, {0, 0, 0, 0}, {0, 0, 0, 0}},     {1, 2, {1, 0, 0, 0}, {0, 0, 0, 0}},
    {3, 4, {2, 1, 0, 0}, {0, 0, 0, 0}},     {5, 10, {2, 1, 0, 0}, {1, 0, 0, 0}},
    {11, 12, {3, 2, 0, 0}, {1, 0, 0, 0}},   {13, 18, {3, 2, 0, 0}, {2, 1, 0, 0}},
    {19, 20, {4, 3, 0, 0}, {2, 1, 0, 0}},   {21, 30, {4, 3, 1, 0}, {2, 1, 0, 0}},
    {31, 36, {4, 3, 1, 0}, {3, 2, 1, 0}},   {37, 38, {5, 4, 1, 0}, {3, 2, 1, 0}},
    {39, 48, {5, 4, 2, 0}, {3, 2, 1, 0}},   {49, 54, {5, 4, 2, 0}, {4, 3, 2, 0}},
    {55, 56, {6, 5, 2, 0}, {4, 3, 2, 0}},   {57, 57, {6, 5, 3, 0}, {4, 3, 2, 0}},
    {58, 70, {6, 5, 3, 1}, {3, 2, 1, 0}},   {71, 80, {6, 5, 3, 1}, {4, 3, 2, 1}},
    {81, 86, {6, 5, 3, 1}, {5, 4, 3, 1}},   {87, 88, {7, 6, 3, 1}, {5, 4, 3, 1}},
    {89, 89, {7, 6, 4, 1}, {5, 4, 3, 1}},   {90, 102, {7, 6, 4, 2}, {4, 3, 2, 1}},
    {103, 105, {7, 6, 4, 2}, {5, 4, 3, 2}},
};

// Electrons in all s, p, d and f shells together, by atomic number.
constexpr int kElectrons[kElementCount][kBuiltinL] = {
    {0, 0, 0, 0},      {1, 0, 0, 0},      {2, 0, 0, 0},      {3, 0, 0, 0},
    {4, 0, 0, 0},      {4, 1, 0, 0},      {4, 2, 0, 0},      {4, 3, 0, 0},
    {4, 4, 0, 0},      {4, 5, 0, 0},      {4, 6, 0, 0},      {5, 6, 0, 0},
    {6, 6, 0, 0},      {6, 7, 0, 0},      {6, 8, 0, 0},      {6, 9, 0, 0},
    {6, 10, 0, 0},     {6, 11, 0, 0},     {6, 12, 0, 0},     {7, 12, 0, 0},
    {8, 12, 0, 0},     {8, 12, 1, 0},     {8, 12, 2, 0},     {8, 12, 3, 0},
    {8, 12, 4, 0},     {8, 12, 5, 0},     {8, 12, 6, 0},     {8, 12, 7, 0},
    {8, 12, 8, 0},     {8, 12, 9, 0},     {8, 12, 10, 0},    {8, 13, 10, 0},
    {8, 14, 10, 0},    {8, 15, 10, 0},    {8, 16, 10, 0},    {8, 17, 10, 0},
    {8, 18, 10, 0},    {9, 18, 10, 0},    {10, 18, 10, 0},   {10, 18, 11, 0},
    {10, 18, 12, 0},   {10, 18, 13, 0},   {10, 18, 14, 0},   {10, 18, 15, 0},
    {10, 18, 16, 0},   {10, 18, 17, 0},   {10, 18, 18, 0},   {10, 18, 19, 0},
    {10, 18, 20, 0},   {10, 19, 20, 0},   {10, 20, 20, 0},   {10, 21, 20, 0},
    {10, 22, 20, 0},   {10, 23, 20, 0},   {10, 24, 20, 0},   {11, 24, 20, 0},
    {12, 24, 20, 0},   {12, 24, 21, 0},   {12, 24, 21, 1},   {12, 24, 21, 2},
    {12, 24, 21, 3},   {12, 24, 21, 4},   {12, 24, 21, 5},   {12, 24, 21, 6},
    {12, 24, 21, 7},   {12, 24, 21, 8},   {12, 24, 21, 9},   {12, 24, 21, 10},
    {12, 24, 21, 11},  {12, 24, 21, 12},  {12, 24, 21, 13},  {12, 24, 21, 14},
    {12, 24, 22, 14},  {12, 24, 23, 14},  {12, 24, 24, 14},  {12, 24, 25, 14},
    {12, 24, 26, 14},  {12, 24, 27, 14},  {12, 24, 28, 14},  {12, 24, 29, 14},
    {12, 24, 30, 14},  {12, 25, 30, 14},  {12, 26, 30, 14},  {12, 27, 30, 14},
    {12, 28, 30, 14},  {12, 29, 30, 14},  {12, 30, 30, 14},  {13, 30, 30, 14},
    {14, 30, 30, 14},  {14, 30, 31, 14},  {14, 30, 31, 15},  {14, 30, 31, 16},
    {14, 30, 31, 17},  {14, 30, 31, 18},  {14, 30, 31, 19},  {14, 30, 31, 20},
    {14, 30, 31, 21},  {14, 30, 31, 22},  {14, 30, 31, 23},  {14, 30, 31, 24},
    {14, 30, 31, 25},  {14, 30, 31, 26},  {14, 30, 31, 27},  {14, 30, 31, 28},
    {14, 30, 32, 28},  {14, 30, 33, 28},
};

// Preset core shells (s p d f) for the core modes -1, 1, 2, 3, 4, 5 (columns 0..5).
struct CoreRange {
  int first, last;
  int mode[6][kBuiltinL];
};

constexpr int K = kKeep;
constexpr CoreRange kCoreRanges[] = {
    {0, 2, {{0, K, K, K}, {0, K, K, K}, {0, K, K, K}, {0, K, K, K}, {0, K, K, K}, {0, K, K, K}}},
    {3, 4, {{0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}}},
    {5, 10, {{1, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}}},
    {11, 12, {{1, 0, K, K}, {1, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}}},
    {13, 18, {{2, 1, K, K}, {1, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}, {0, 0, K, K}}},
    {19, 30, {{2, 1, 0, K}, {2, 1, 0, K}, {1, 0, 0, K}, {0, 0, 0, K}, {0, 0, 0, K}, {0, 0, 0, K}}},
    {31, 36, {{3, 2, 1, K}, {2, 1, 0, K}, {1, 0, 0, K}, {0, 0, 0, K}, {0, 0, 0, K}, {0, 0, 0, K}}},
    {37, 48, {{3, 2, 1, K}, {3, 2, 1, K}, {2, 1, 0, K}, {1, 0, 0, K}, {0, 0, 0, K}, {0, 0, 0, K}}},
    {49, 54, {{4, 3, 2, K}, {3, 2, 1, K}, {2, 1, 0, K}, {1, 0, 0, K}, {0, 0, 0, K}, {0, 0, 0, K}}},
    {55, 56, {{4, 3, 2, K}, {4, 3, 2, K}, {3, 2, 1, K}, {2, 1, 0, K}, {1, 0, 0, K}, {0, 0, 0, K}}},
    {57, 57, {{4, 3, 2, 0}, {4, 3, 2, 0}, {3, 2, 1, 0}, {2, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}},
    {58, 70, {{3, 2, 1, 0}, {3, 2, 1, 0}, {3, 2, 1, 0}, {2, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}},
    {71, 80, {{4, 3, 2, 1}, {4, 3, 2, 1}, {3, 2, 1, 0}, {2, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}},
    {81, 86, {{5, 4, 3, 1}, {4, 3, 2, 1}, {3, 2, 1, 0}, {2, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}},
    {87, 89, {{5, 4, 3, 1}, {5, 4, 3, 1}, {4, 3, 2, 1}, {3, 2, 1, 0}, {2, 1, 0, 0}, {1, 0, 0, 0}}},
    {90, 102, {{4, 3, 2, 1}, {4, 3, 2, 1}, {4, 3, 2, 1}, {3, 2, 1, 0}, {2, 1, 0, 0}, {1, 0, 0, 0}}},
    {103, 105, {{5, 4, 3, 2}, {5, 4, 3, 2}, {4, 3, 2, 1}, {3, 2, 1, 0}, {2, 1, 0, 0}, {1, 0, 0, 0}}},
};

struct Tables {
  int shells[kElementCount * kL];
  int core[kElementCount * kL];
  int electrons[kElementCount * kL];
};

void fill_builtin(Tables& t) {
  std::memset(&t, 0, sizeof t);
  for (const ShellRange& r : kShellRanges)
    for (int z = r.first; z <= r.last; ++z)
      for (int l = 0; l < kBuiltinL; ++l) {
        t.shells[kL * z + l] = r.shells[l];
        t.core[kL * z + l] = r.core[l];
      }
  for (int z = 0; z < kElementCount; ++z)
    for (int l = 0; l < kBuiltinL; ++l) t.electrons[kL * z + l] = kElectrons[z][l];
}

// Column of the preset table for a core mode, or -1 when the mode changes nothing.
int preset_column(int mcore) {
  if (mcore < 0) return 0;
  if (mcore >= 1 && mcore <= 5) return mcore;
  return -1;
}

void apply_preset(Tables& t, int mcore) {
  int column = preset_column(mcore);
  if (column < 0) return;
  for (const CoreRange& r : kCoreRanges)
    for (int z = r.first; z <= r.last; ++z)
      for (int l = 0; l < kBuiltinL; ++l)
        if (r.mode[column][l] != kKeep) t.core[kL * z + l] = r.mode[column][l];
}

void fill_entry(const Tables& t, int z, std::int32_t* entry) {
  const int* shells = t.shells + kL * z;
  const int* core = t.core + kL * z;
  const int* electrons = t.electrons + kL * z;
  std::memset(entry, 0, sizeof(std::int32_t) * kElementFields);
  entry[EL_LMAX_VALENCE] = 7;
  for (int l = 7; l >= 0; --l)
    if (shells[l] == core[l]) entry[EL_LMAX_VALENCE] = l - 1;
  for (int l = 0; l < 8; ++l) {
    entry[EL_ORBITALS] += (2 * l + 1) * shells[l];
    entry[EL_CORE_ORBITALS] += (2 * l + 1) * core[l];
    entry[EL_SHELLS + l] = shells[l];
    entry[EL_CORE + l] = core[l];
    entry[EL_ELECTRONS + l] = electrons[l];
  }
}

}  // namespace

void build_element_table(const char* record, std::FILE* input) {
  if (!is_master) return;
  Tables t;
  fill_builtin(t);
  int mcore = 0;
  // Subscript k addresses 10 Z + l, so the lists start one element into the arrays.
  const int keyed = kElementCount * kL - kL - 1;  // 1049: up to Z = 104, l = 9
  const InputVar vars[] = {
      {"active", IN_INT, keyed, t.shells + 1},
      {"core", IN_INT, keyed, t.core + 1},
      {"mcore", IN_INT, 1, &mcore},
      {"occupation", IN_INT, keyed, t.electrons + 1},
  };
  read_group(input, "atoms", 4, vars);
  apply_preset(t, mcore);

  std::int32_t entries[kElementCount][kElementFields];
  for (int z = 0; z < kElementCount; ++z) fill_entry(t, z, entries[z]);
  record_write(Record<std::int32_t>{record}, &entries[0][0], kElementCount * kElementFields);
}

}  // namespace ostrel
