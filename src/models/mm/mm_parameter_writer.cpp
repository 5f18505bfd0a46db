// Prints force-field parameters as a "$mmdata" group that reads back to the same block.
#include "models/mm/mm_parameter_writer.hpp"

#include <cstdio>

#include "models/mm/mm_parameter_index.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

struct BondTypes {
  int first, second;
};

// Type at the far end of slot s of type t.
int outer_type(const MmParameters& p, const BondTypes* bonds, int t, int s) {
  const int e = p.bond_slots[t][s];
  const BondTypes& b = bonds[e >> 1];
  return e & 1 ? b.first : b.second;
}

// The four types of every torsion record of one table, first occurrence in the index.
void torsion_types(const MmParameters& p, const BondTypes* bonds, const int* index, int count, int* types) {
  for (int r = 0; r < 4 * count; ++r) types[r] = -1;
  for (int k = 0; k < MM_TORSION_INDEX; ++k) {
    const int r = index[k];
    if (r < 0 || types[4 * r] >= 0) continue;
    const int e = k / (MM_BONDS_PER_TYPE * MM_BONDS_PER_TYPE);
    const int sa = k / MM_BONDS_PER_TYPE % MM_BONDS_PER_TYPE, sd = k % MM_BONDS_PER_TYPE;
    const BondTypes& b = bonds[e >> 1];
    const int tb = e & 1 ? b.second : b.first, tc = e & 1 ? b.first : b.second;
    types[4 * r] = outer_type(p, bonds, tb, sa);
    types[4 * r + 1] = tb;
    types[4 * r + 2] = tc;
    types[4 * r + 3] = outer_type(p, bonds, tc, sd);
  }
}

void write_torsions(const MmParameters& p, const BondTypes* bonds, const char* word, const int* index,
                    const MmRecord* records, int count) {
  std::printf("%s\n", word);
  PoolArray<int> types(4 * count + 1);
  torsion_types(p, bonds, index, count, types.data());
  for (int r = 0; r < count; ++r) {
    const MmRecord& t = records[r];
    std::printf("%-8s %-8s %-8s %-8s %d %d %10.8lf %10.8lf %10.8lf\n", p.type_names[types[4 * r]],
                p.type_names[types[4 * r + 1]], p.type_names[types[4 * r + 2]], p.type_names[types[4 * r + 3]],
                t.n1, t.n2, t.p[0], t.p[1], t.p[2]);
  }
}

void write_angles(const MmParameters& p, const BondTypes* bonds, int count) {
  std::printf("angle\n");
  PoolArray<int> types(3 * count + 1);
  for (int r = 0; r < 3 * count; ++r) types[r] = -1;
  for (int c = 0; c < p.ntypes; ++c)
    for (int s1 = 0; s1 < MM_BONDS_PER_TYPE; ++s1)
      for (int s2 = 0; s2 < MM_BONDS_PER_TYPE; ++s2) {
        const int r = p.angle_index[c][s1][s2];
        if (r < 0 || types[3 * r] >= 0) continue;
        const int a = outer_type(p, bonds, c, s1), d = outer_type(p, bonds, c, s2);
        // In this order the stored stretch-bend constants read back unexchanged.
        if (a > d) continue;
        types[3 * r] = a;
        types[3 * r + 1] = c;
        types[3 * r + 2] = d;
      }
  for (int r = 0; r < count; ++r) {
    const MmRecord& a = p.angle[r];
    std::printf("%-8s %-8s %-8s %d %d %10.8lf %10.8lf %10.8lf %10.8lf %10.8lf\n", p.type_names[types[3 * r]],
                p.type_names[types[3 * r + 1]], p.type_names[types[3 * r + 2]], a.n1, a.n2, a.p[0], a.p[1],
                a.p[2], a.p[3], a.p[4]);
  }
}

// Pair records that hold anything; an unused table writes the bare keyword.
void write_pairs(const MmParameters& p) {
  std::printf("pair\n");
  for (int i = 0; i < p.ntypes; ++i)
    for (int j = 0; j <= i; ++j) {
      const int k = i * (i + 1) / 2 + j;
      if (k >= MM_PAIR_RECORDS) return;
      const MmRecord& r = p.pair[k];
      if (r.n1 == 0 && r.n2 == 0 && r.p[0] == 0.0 && r.p[1] == 0.0 && r.p[2] == 0.0) continue;
      std::printf("%-8s %-8s %d %d %.17g %.17g %.17g\n", p.type_names[j], p.type_names[i], r.n1, r.n2, r.p[0],
                  r.p[1], r.p[2]);
    }
}

}  // namespace

void write_mm_parameters(const MmParameters& p) {
  const MmCounts n = mm_record_counts(p);
  PoolArray<BondTypes> bonds(n.bonds + 1);
  for (int b = 0; b < n.bonds; ++b) bonds[b] = {-1, -1};
  for (int t = 0; t < p.ntypes; ++t)
    for (int s = 0; s < MM_BONDS_PER_TYPE; ++s) {
      const int e = p.bond_slots[t][s];
      if (e >= 0) (e & 1 ? bonds[e >> 1].second : bonds[e >> 1].first) = t;
    }
  for (int b = 0; b < n.bonds; ++b)
    if (bonds[b].second < 0) bonds[b].second = bonds[b].first;

  std::printf("$mmdata\ntype\n");
  for (int t = 0; t < p.ntypes; ++t) std::printf("%-8s\n", p.type_names[t]);
  std::printf("atom\n");
  for (int t = 0; t < p.ntypes; ++t) {
    const MmRecord& a = p.atom[t];
    std::printf("%-8s %d %d %14.9lf %11.8lf %11.8lf %10.8lf %10.8lf\n", p.type_names[t], a.n1, a.n2, a.p[0],
                a.p[1], a.p[2], a.p[3], a.p[4]);
  }
  std::printf("bond\n");
  for (int b = 0; b < n.bonds; ++b) {
    const MmRecord& r = p.bond[b];
    std::printf("%-8s %-8s %d %d %10.8lf %10.8lf %11.8lf\n", p.type_names[bonds[b].first],
                p.type_names[bonds[b].second], r.n1, r.n2, r.p[0], r.p[1], r.p[2]);
  }
  write_angles(p, bonds.data(), n.angles);
  write_torsions(p, bonds.data(), "torsion1", p.torsion1_index, p.torsion1, n.torsion1);
  write_torsions(p, bonds.data(), "torsion2", p.torsion2_index, p.torsion2, n.torsion2);
  write_pairs(p);
  std::printf("$end\n");
}

}  // namespace ostrel
