// The shipped basis library: every family file against Psi4's counts and core sizes (the def2
// iodine potential as stored meets Psi4 in the methyl iodide matrices and energy).
#include "support/model_input.hpp"

namespace ostrel {
namespace {

std::string library(const char* family) { return testing::basis_library(family); }

class BasisLibrary : public testing::RuntimeTest {
 protected:
  // Function count of `group` read from the family file.
  int count(const char* family, const char* group, const char* record) {
    testing::read_test_basis(library(family), group, record);
    return store_get<int>((std::string("N") + record).c_str());
  }
  int core_pairs(const char* family) {
    testing::captured_stdout([&] { read_core_potentials(library(family).c_str()); });
    return testing::get_ints("Necp")[0];
  }
};

const std::string kWater = testing::molecule_group(testing::kWaterAtoms);
const char* kHBr = "$molecule cartesian\n 1 0 0 0\n 35 0 0 1.41\n$end\n";
const char* kAuH = "$molecule cartesian\n 79 0 0 0\n 1 0 0 1.52\n$end\n";
const char* kRn = "$molecule cartesian\n 86 0 0 0\n$end\n";

// Spherical function counts from Psi4 1.3.2 (BasisSet.build(..., puream=True).nbf()) for
// def2-svp, def2-tzvp, def2-sv(p), cc-pvdz, cc-pvtz, 6-31g*, sto-3g and def2-svp-jfit.
struct Expect {
  const char* family;
  int water, hbr, auh, rn;  // -1: element not in the family
};
const Expect kCounts[] = {
    {"def2-svp", 24, 37, 37, 50},   {"def2-tzvp", 43, 54, 46, 50}, {"def2-svp_p", 18, 34, 27, 50},
    {"cc-pvdz", 24, 32, -1, -1},    {"cc-pvtz", 58, 57, -1, -1},   {"6-31gs", 18, 34, -1, -1},
    {"sto-3g", 7, 19, -1, -1},
};
// def2-universal-jfit (Psi4's def2-svp-jfit): water 71, HBr 69, AuH 100, Rn 58.
const int kFit[] = {71, 69, 100, 58};

// The store frees only its last record, so every family reads into records of its own and
// every molecule has a test of its own.
class BasisLibraryCounts : public BasisLibrary, public ::testing::WithParamInterface<int> {};

TEST_P(BasisLibraryCounts, MatchPsi4InEveryFamily) {
  const int k = GetParam();
  const std::string molecules[] = {kWater, kHBr, kAuH, kRn};
  testing::read_test_molecule(molecules[k]);
  int f = 0;
  for (const Expect& e : kCounts) {
    const int want[] = {e.water, e.hbr, e.auh, e.rn};
    if (want[k] < 0) continue;
    const std::string basis = "Basis" + std::to_string(f), fit = "Fit" + std::to_string(f++);
    EXPECT_EQ(count(e.family, "basis", basis.c_str()), want[k]) << e.family << " molecule " << k;
    EXPECT_EQ(count(e.family, "basis2", fit.c_str()), kFit[k]) << e.family << " molecule " << k;
  }
}
INSTANTIATE_TEST_SUITE_P(WaterHBrAuHRn, BasisLibraryCounts, ::testing::Range(0, 4));

// Psi4 1.3.2 n_ecp_core: 60 for Au and for Rn, 28 for Rb; Br keeps all its electrons.
TEST_F(BasisLibrary, CorePotentialsOfTheDef2Families) {
  const struct { std::string molecule; const char* family; int pairs; } cases[] = {{kAuH, "def2-tzvp", 30},
               {kRn, "def2-svp_p", 30},
               {"$molecule cartesian\n 37 0 0 0\n 1 0 0 3.2\n$end\n", "def2-svp", 14},
               {kHBr, "def2-svp", 0}};
  for (const auto& c : cases) {
    store_clear();
    testing::read_test_molecule(c.molecule);
    EXPECT_EQ(core_pairs(c.family), c.pairs) << c.family;
  }
}

TEST_F(BasisLibrary, PrintLineCountsContractedAndPrimitiveFunctions) {
  testing::read_test_molecule(kWater);
  const std::string out = testing::read_test_basis(library("def2-svp"), "basis", "Basis");
  // O: s shells of 5, 1, 1 primitives, p of 3, 1, one d: 3 + 6 + 5 = 14 contracted,
  // 7 + 12 + 5 = 24 primitive functions. H: s 3, 1 and one p: 5 and 7.
  EXPECT_NE(out.find("    1   8  O :  14/24  : {3,2,1}/{7,4,1}\n"), std::string::npos) << out;
  EXPECT_NE(out.find("    3   1  H :   5/7   : {2,1}/{4,1}\n"), std::string::npos) << out;
}

// One centre of every element the family covers, far apart, read in full: every entry of
// every shipped file must pass the reader, and no covered element may come out empty.
struct Coverage {
  const char* family;
  int first_gap, last_gap;  // elements first_gap..last_gap are absent (0, 0: none)
  int last;                 // last element covered
  int core_pairs;           // -1: no core potentials
};

class BasisLibraryElements : public BasisLibrary, public ::testing::WithParamInterface<Coverage> {};

TEST_P(BasisLibraryElements, EveryElementReads) {
  const Coverage& c = GetParam();
  std::string atoms;
  int electrons = 0, n = 0;
  for (int z = 1; z <= c.last; ++z) {
    if (z >= c.first_gap && z <= c.last_gap) continue;
    char line[64];
    std::snprintf(line, sizeof line, " %d 0 0 %.1f\n", z, 12.0 * n++);
    atoms += line;
    electrons += z;
  }
  testing::read_test_molecule(std::string(electrons % 2 ? "$molecule mult=2" : "$molecule") +
                              " units=a cartesian\n" + atoms + "$end\n");
  count(c.family, "basis", "Basis");
  count(c.family, "basis2", "Fit");
  const int natom = store_get<int>("Natom");
  const std::vector<int> first = testing::get_ints("n_Basis"), fit = testing::get_ints("n_Fit");
  for (int a = 0; a < natom; ++a) {
    EXPECT_GT(first[a + 1], first[a]) << c.family << " atom " << a + 1;
    EXPECT_GT(fit[a + 1], fit[a]) << c.family << " atom " << a + 1;
  }
  if (c.core_pairs >= 0) {
    EXPECT_EQ(core_pairs(c.family), c.core_pairs);
  }
}

// def2: H-La and Hf-Rn, cores of 28 electrons for Rb-Xe (18 atoms), 46 for Cs-La (3), 60 for
// Hf-Rn (15): 18 x 14 + 3 x 23 + 15 x 30 = 771 core orbitals.
INSTANTIATE_TEST_SUITE_P(ShippedFamilies, BasisLibraryElements,
                         ::testing::Values(Coverage{"def2-svp", 58, 71, 86, 771},
                                           Coverage{"def2-tzvp", 58, 71, 86, 771},
                                           Coverage{"def2-svp_p", 58, 71, 86, 771},
                                           Coverage{"cc-pvdz", 19, 19, 36, -1},
                                           Coverage{"cc-pvtz", 19, 19, 36, -1},
                                           Coverage{"6-31gs", 0, 0, 36, -1},
                                           Coverage{"sto-3g", 0, 0, 53, -1}));

}  // namespace
}  // namespace ostrel
