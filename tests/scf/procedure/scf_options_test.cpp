// SCF option rules: what the theory and fit choose, the convergence and cut-off rules,
// electron and core counts (with core potentials and fragments), and the errors.
#include <utility>

#include "input/element_table.hpp"
#include "scf/procedure/scf_options.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

ScfContext context(const char* theory, int fit, int na = 5, int nb = 5) {
  ScfContext c{};
  std::snprintf(c.theory, sizeof c.theory, "%s", theory);
  c.fit = fit;
  c.nbasis = 24;
  c.na[0] = c.na[1] = na;
  c.nb[0] = c.nb[1] = nb;
  c.ncore[0] = c.ncore[1] = 1;
  return c;
}

ScfOptions read(const std::string& text, const ScfContext& c) {
  return scf_read_options(InputFile(text).get(), c);
}

TEST(ScfReadOptions, ConvergenceAndCutoffRules) {
  const struct {
    const char* input;
    double first, second;
    bool cutoff;  // cutij rather than convergence
  } rows[] = {
      {"$scf convergence=0 $end", 1e-12, 1e-3, false},
      {"$scf convergence=1e-5 $end", 1e-5, 1e-2, false},
      {"$scf convergence=1e-5,1e-7 $end", 1e-5, 1e-5, false},  // second raised to the first
      {"$scf convergence=1e-7,1e-4 $end", 1e-7, 1e-4, false},
      {"$integral cutij=1e-20 $end", 1e-15, 1e-11, true},
      {"$integral cutij=1e-12,1e-9 $end", 1e-10, 1e-9, true},  // an explicit second lifts the first
  };
  for (const auto& r : rows) {
    const ScfOptions o = read(r.input, context("DFT", 'V'));
    const double* v = r.cutoff ? o.cutij : o.convergence;
    EXPECT_DOUBLE_EQ(v[0], r.first) << r.input;
    EXPECT_DOUBLE_EQ(v[1], r.second) << r.input;
  }
  EXPECT_EQ(read("$integral ricut=-3 $end", context("DFT", 'V')).ricut, 1e-10);
  EXPECT_EQ(read("$integral ricut=0 $end", context("DFT", 'V')).ricut, 1e-10);
}

TEST(ScfReadOptions, ErrorPaths) {
  const std::pair<const char*, const char*> cases[] = {
      {"$scf procedure=steep $end", "unknown procedure STEEP"}, {"$dft functional=nonsense $end", "unknown 'NONSENSE'"},
      {"$scf core=6 $end", "core=6 outside 0..5"},              {"$scf core=-1 $end", "core=-1 outside 0..5"},
      {"$scf bogus=1 $end", "unknown name bogus"},
      // Hybrids would silently lose their exact-exchange share.
      {"$dft functional=b3lyp $end", "exact exchange (functional B3LYP) is not available"},
      {"$dft functional=hf $end", "exact exchange (functional HF) is not available"}};
  for (const auto& [text, message] : cases) EXPECT_FATAL(read(text, context("DFT", 'V')), message);
}

class ScfOptionsTest : public testing::RuntimeTest {
 protected:
  // Control, molecule, basis sizes and element table as task control leaves them.
  void prepare(const std::string& molecule, const char* theory, int fit, int nbasis, int nfit, int four = 0,
               int necp = 0) {
    store_put_text("theory", theory, 64);
    store_put("four", four);
    store_put("fit", fit);
    testing::read_test_molecule(molecule);
    testing::put_ints("Necp", {necp, necp});
    store_put("Nbasis", nbasis);
    store_put("Nbasis1", 0);
    store_put("Nfit", nfit);
    build_element_table("Atoms", InputFile("").get());
  }
  std::string setup(const std::string& groups) {
    return testing::captured_stdout([&] { scf_setup_options(InputFile(groups).get()); });
  }
  // "Na", "Nb", "Ncore" and "Nactive", whole molecule then first fragment.
  static std::vector<int> counts() {
    std::vector<int> all;
    for (const char* name : {"Na", "Nb", "Ncore", "Nactive"}) {
      int v[2];
      store_read(name, 0, v, 8);
      all.insert(all.end(), v, v + 2);
    }
    return all;
  }
};

TEST_F(ScfOptionsTest, ElectronAndCoreCounts) {
  prepare(testing::molecule_group(testing::kWaterAtoms), "DFT", 'V', 24, 84);
  const std::string out = setup("");
  EXPECT_EQ(counts(), (std::vector<int>{5, 5, 5, 5, 1, 1, 7, 7}));  // O 1s core; 2s2p of O and two 1s
  EXPECT_EQ(store_size("invA"), 8 * 84 * 85 / 2);
  EXPECT_NE(out.find(" | Approximation to E(xc)             PBE\n"), std::string::npos) << out;
  restart();
  // Cation without fit; one core value given applies to the whole molecule only.
  prepare(testing::molecule_group(testing::kWaterAtoms, 1, 2), "DFT", 0, 13, 0);
  setup("$scf core=0 $end");
  EXPECT_EQ(counts(), (std::vector<int>{5, 5, 4, 4, 0, 1, 7, 7}));
  EXPECT_EQ(store_exists("invA"), 0);
}

TEST_F(ScfOptionsTest, CorePotentialsReplaceTheCoreAndReduceTheValenceCounts) {
  // Iodine with 28 core electrons in the potential (14 orbitals) and a hydrogen.
  prepare("$molecule\n cartesian\n 53 0 0 0\n 1 0 0 1.6\n$end\n", "DFT", 'V', 30, 0, 0, 14);
  setup("");
  const std::vector<int> c = counts();
  EXPECT_EQ(std::vector<int>(c.begin(), c.begin() + 6), (std::vector<int>{13, 13, 13, 13, 14, 14}));
  restart();
  // A potential for both shells of Be2+, which has one left.
  prepare("$molecule charge=2\n cartesian\n 4 0 0 0\n$end\n", "DFT", 'V', 5, 0, 0, 2);
  EXPECT_FATAL(scf_setup_options(InputFile("").get()), "core potentials replace 2 orbitals of 2 electrons");
}

TEST_F(ScfOptionsTest, SecondEntriesCountTheFirstFragment) {
  // Water and a fluoride ion: the second entries belong to the water alone.
  prepare("$molecule charge=-1 cartesian\n charge=0\n 8 0 0 0\n 1 0 0.76 0.59\n 1 0 -0.76 0.59\n"
          " /\n charge=-1\n 9 2.5 0 0\n$end\n",
          "DFT", 'V', 20, 0);
  setup("$scf core=2,0 $end");
  EXPECT_EQ(counts(), (std::vector<int>{10, 5, 10, 5, 2, 0, 12, 7}));
  EXPECT_EQ(store_get<int>("closed"), 1);
}

}  // namespace
}  // namespace ostrel
