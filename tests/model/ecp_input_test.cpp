#include "model/ecp_input.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

const std::string kDef2 = testing::basis_library("def2");

class EcpInput : public testing::RuntimeTest {
 protected:
  void molecule(const std::string& text) { testing::read_test_molecule(text); }
  std::string ecp(const std::string& library, const std::string& input = "") {
    return testing::captured_stdout(
        [&] { testing::with_stdin(input, [&] { read_core_potentials(library.c_str()); }); });
  }
  // Core orbitals of the whole molecule and of the first fragment.
  static std::vector<int> necp() { return testing::get_ints("Necp"); }
};

const char* kCH3I =
    "$molecule cartesian\n 6 0 0 0\n 53 0 0 2.14\n 1 1.03 0 -0.36\n 1 -0.51 0.89 -0.36\n"
    " 1 -0.51 -0.89 -0.36\n$end\n";

TEST_F(EcpInput, IodineInMethylIodideLosesTwentyEightCoreElectrons) {
  molecule(kCH3I);
  std::string out = ecp(kDef2);
  EXPECT_EQ(necp(), (std::vector<int>{14, 14}));
  const testing::LoadedMolecule m;
  EXPECT_EQ(std::vector<double>(m.charge, m.charge + 2), (std::vector<double>{6.0, 25.0}));
  // The stored terms themselves are checked against Psi4's matrix in the library tests.
  EcpBlock b[5];
  store_read("ECP", 0, b, sizeof b);
  EXPECT_EQ((std::vector<int>{b[0].n_core, b[1].n_core}), (std::vector<int>{0, 28}));
  EXPECT_NE(out.find("\n ECP:\n  atomic number  6: no ECP\n\n  atomic number 53: Ncore = 28, Lmax = 4\n\n"
                     "   L        c       n        a     \n   0     49.994293  0     40.015835\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("atomic number  1"), out.rfind("atomic number  1"));  // one block per element
}

TEST_F(EcpInput, MoleculeWithoutListedElementsIsLeftAlone) {
  molecule(testing::molecule_group(testing::kWaterAtoms));
  std::string out = ecp(kDef2);
  EXPECT_EQ(out, "");
  EXPECT_EQ((std::vector<int>{necp()[0], necp()[1], store_exists("ECP")}), (std::vector<int>{0, 0, 0}));
  // Without an "ecp" group at all the same holds.
  ecp("", "$basis $end");
  EXPECT_EQ(necp(), (std::vector<int>{0, 0}));
}

TEST_F(EcpInput, OddCoresFragmentsAndLaterEntriesWin) {
  molecule("$molecule units=b mult=3 ca\n mult=2\n 11 0 0 0\n / mult=2\n 11 0 0 9\n$end\n");
  // Sodium: a first entry replaced by a later one with 3 core electrons (one core orbital).
  ecp("", "$ecp\n 11 10 0\n 1\n 1.0 0 1.0\n 11 3 1\n 1\n -2.0 -1 3.0\n 0\n 8 2 0 0\n$end\n");
  EXPECT_EQ(necp(), (std::vector<int>{2, 1}));
  const testing::LoadedMolecule m;
  EXPECT_EQ(m.charge[0], 8.0);
  EcpBlock b;
  store_read("ECP", 0, &b, sizeof b);
  EXPECT_EQ((std::vector<int>{b.lmax, b.local_power[0], b.n_semilocal[0]}), (std::vector<int>{1, -1, 0}));
}

TEST_F(EcpInput, EntriesBeyondTheBlockLimitsStopWithOneLine) {
  molecule("$molecule units=b m=2 ca\n 11 0 0 0\n$end\n");
  EXPECT_FATAL(ecp("/nonexistent/lib"), "\n error opening file '/nonexistent/lib'\n");
  std::string nine = "$ecp 11 10 0 9";
  for (int i = 0; i < 9; ++i) nine.append(" 1.0 0 1.0");
  const std::pair<std::string, const char*> cases[] = {
      {nine + " $end", "ECP of element 11, L=0: 9 terms (at most 8)"},
      {"$ecp 11 10 5 $end", "Lmax=5 (at most 4)"},
      {"$ecp 11 12 0 0 $end", "12 core electrons?"},
      {"$ecp 11 10 1 1 1.0 0 x $end", "L=1: term 1?"},
      {"$ecp 11 10 0 0 oops $end", "ECP entry after element 11?"}};
  for (const auto& [text, message] : cases) EXPECT_FATAL(ecp("", text), message);
}

}  // namespace
}  // namespace ostrel
