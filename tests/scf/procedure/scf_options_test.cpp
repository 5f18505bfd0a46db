#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "input/element_table.hpp"
#include "model/molecule_input.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_options.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

const char* kWater =
    "$molecule\n cartesian\n 8 0.0 0.0 0.0\n 1 0.0 0.757 0.587\n 1 0.0 -0.757 0.587\n$end\n";

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
  InputFile f(text);
  return scf_read_options(f.get(), c);
}

class ScfOptionsTest : public testing::RuntimeTest {
 protected:
  // Control, molecule, basis sizes and element table as task control leaves them.
  void prepare(const char* molecule, const char* theory, int fit, int nbasis, int nfit,
               int four = 0) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "%s", theory);
    store_write("theory", 0, text, 64);
    store_put("four", four);
    store_put("fit", fit);
    testing::with_stdin(molecule, [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
    const int necp[2] = {0, 0};
    store_write("Necp", 0, necp, 8);
    store_put("Nbasis", nbasis);
    store_put("Nbasis1", 0);
    store_put("Nfit", nfit);
    InputFile none("");
    build_element_table("Atoms", none.get());
  }
  std::string setup(const std::string& groups, ScfOptions* out = nullptr) {
    InputFile f(groups);
    testing::FatalTrap trap;
    ::testing::internal::CaptureStdout();
    try {
      ScfOptions o = scf_setup_options(f.get());
      if (out) *out = o;
    } catch (const testing::FatalStop& stop) {
      ::testing::internal::GetCapturedStdout();
      ADD_FAILURE() << stop.what();
      return "";
    }
    return ::testing::internal::GetCapturedStdout();
  }
  template <class T>
  std::vector<T> values(const char* name) {
    std::vector<T> v(static_cast<std::size_t>(store_size(name)) / sizeof(T));
    store_get_array<T>(name, std::span<T>(v));
    return v;
  }
};

TEST(ScfReadOptions, DefaultsWithoutGroupsFollowTheTheoryAndFit) {
  ScfOptions o = read("", context("DFT", 'V'));
  EXPECT_EQ(o.restricted, 1);
  EXPECT_EQ(o.closed, 1);
  EXPECT_EQ(o.core[0], 1);
  EXPECT_EQ(o.convergence[0], 1e-6);
  EXPECT_EQ(o.convergence[1], 1e-3);
  EXPECT_EQ(o.fitxc, 'V');
  EXPECT_EQ(o.procedure, 2);  // Newton-Raphson when the exchange-correlation is fitted
  EXPECT_EQ(o.iterations[0], 16);
  EXPECT_EQ(o.iterations[1], 16);
  EXPECT_EQ(o.xmax, 0.125);
  EXPECT_EQ(o.diag, 2);
  EXPECT_EQ(o.d1small, 0);
  EXPECT_EQ(o.n3fit, 'V');
  EXPECT_EQ(o.d2local, 0);
  EXPECT_EQ(o.d2svs, 1);
  EXPECT_EQ(o.d2exc, 'V');
  EXPECT_EQ(o.density_sets, 1);
  EXPECT_EQ(o.cutij[0], 1e-10);
  EXPECT_DOUBLE_EQ(o.cutij[1], 1e-6);
  EXPECT_EQ(o.ricut, 1e-10);
  EXPECT_EQ(o.direct, 1);
  EXPECT_EQ(o.storage, 1);
  EXPECT_EQ(o.routine, 1);
  EXPECT_STREQ(o.functional_name, "PBE");

  // Not of the density-functional class: Hartree-Fock, no fitted exchange-correlation,
  // quasi-Newton with 48 iterations, tighter second integral cut-off, not direct.
  o = read("", context("RIHF", 'V', 6, 5));
  EXPECT_STREQ(o.functional_name, "HF");
  EXPECT_EQ(o.fitxc, 0);
  EXPECT_EQ(o.procedure, 1);
  EXPECT_EQ(o.iterations[0], 48);
  EXPECT_DOUBLE_EQ(o.cutij[1], 1e-8);
  EXPECT_EQ(o.direct, 0);
  EXPECT_EQ(o.routine, 1);
  EXPECT_EQ(o.restricted, 0);  // open shell
  EXPECT_EQ(o.closed, 0);

  o = read("", context("HF", 0));
  EXPECT_EQ(o.routine, 0);
  EXPECT_EQ(o.n3fit, 0);
  EXPECT_EQ(o.d2exc, 0);
}

TEST(ScfReadOptions, TheoryNamesChooseFunctionalProcedureAndDensitySets) {
  ScfOptions o = read("", context("RIDFT", 'V'));
  EXPECT_STREQ(o.functional_name, "PBE1");
  EXPECT_EQ(o.procedure, 1);
  EXPECT_EQ(o.iterations[0], 48);
  EXPECT_EQ(o.direct, 0);  // only the theory "DFT" is direct by default
  o = read("$scf procedure=nr $end", context("OSDFT", 'V'));
  EXPECT_EQ(o.procedure, 1);  // forced
  EXPECT_EQ(o.density_sets, 2);
  EXPECT_EQ(read("", context("TDDFT", 'V')).density_sets, 3);
  o = read("$scf restrict=0 $end", context("CASSCF", 0));
  EXPECT_EQ(o.restricted, 1);
  EXPECT_EQ(o.closed, 1);
}

TEST(ScfReadOptions, ConvergenceAndCutoffRules) {
  const ScfContext c = context("DFT", 'V');
  ScfOptions o = read("$scf convergence=0 $end", c);
  EXPECT_EQ(o.convergence[0], 1e-12);
  EXPECT_EQ(o.convergence[1], 1e-3);
  o = read("$scf convergence=1e-5 $end", c);
  EXPECT_EQ(o.convergence[0], 1e-5);
  EXPECT_DOUBLE_EQ(o.convergence[1], 1e-2);
  o = read("$scf convergence=1e-5,1e-7 $end", c);  // second raised to the first
  EXPECT_EQ(o.convergence[1], 1e-5);
  o = read("$scf convergence=1e-7,1e-4 $end", c);
  EXPECT_EQ(o.convergence[1], 1e-4);

  o = read("$integral cutij=1e-20 $end", c);
  EXPECT_EQ(o.cutij[0], 1e-15);
  EXPECT_DOUBLE_EQ(o.cutij[1], 1e-11);
  o = read("$integral cutij=1e-12,1e-9 $end", c);  // an explicit second lifts the first
  EXPECT_EQ(o.cutij[0], 1e-10);
  EXPECT_EQ(o.cutij[1], 1e-9);
  o = read("$integral cutij=1e-8 $end", context("HF", 0));
  EXPECT_DOUBLE_EQ(o.cutij[1], 1e-6);
  o = read("$integral ricut=-3 $end", c);
  EXPECT_EQ(o.ricut, 1e-10);
  o = read("$integral ricut=0 $end", c);
  EXPECT_EQ(o.ricut, 1e-10);
}

TEST(ScfReadOptions, EveryKeyAndAbbreviationsAreRead) {
  ScfOptions o = read(
      "$scf restrict=0 core=0,0 convergence=1e-7,1e-5 fitxc=0 procedure=diis iterations=30,20\n"
      " xmax=0.25 diagm=3 d1small=1 n3fit=0 d2local=1 d2svs=0 d2exc=0 $end\n"
      "$integral cutij=1e-11,1e-7 ricut=1e-9 direct=0 storage=2 routine=0 $end\n"
      "$dft functional=blyp $end\n",
      context("DFT", 'V'));
  EXPECT_EQ(o.restricted, 0);
  EXPECT_EQ(o.closed, 0);
  EXPECT_EQ(o.core[0], 0);
  EXPECT_EQ(o.core[1], 0);
  EXPECT_EQ(o.convergence[0], 1e-7);
  EXPECT_EQ(o.convergence[1], 1e-5);
  EXPECT_EQ(o.fitxc, 0);
  EXPECT_EQ(o.procedure, -1);
  EXPECT_EQ(o.iterations[0], 30);
  EXPECT_EQ(o.iterations[1], 20);
  EXPECT_EQ(o.xmax, 0.25);
  EXPECT_EQ(o.diag, 3);
  EXPECT_EQ(o.d1small, 1);
  EXPECT_EQ(o.n3fit, 0);
  EXPECT_EQ(o.d2local, 1);
  EXPECT_EQ(o.d2svs, 0);
  EXPECT_EQ(o.d2exc, 0);
  EXPECT_EQ(o.cutij[0], 1e-10);  // an explicit second value lifts the first
  EXPECT_EQ(o.cutij[1], 1e-7);
  EXPECT_EQ(o.ricut, 1e-9);
  EXPECT_EQ(o.direct, 0);
  EXPECT_EQ(o.storage, 2);
  EXPECT_EQ(o.routine, 0);
  EXPECT_STREQ(o.functional_name, "BLYP");

  o = read("$scf conv=1e-8 iter=10 proc=bfgs fitx=0 $end $integral cut=1e-12,1e-8 dir=1 $end",
           context("RIHF", 'V'));
  EXPECT_EQ(o.convergence[0], 1e-8);
  EXPECT_EQ(o.convergence[1], 1e-3);
  EXPECT_EQ(o.iterations[0], 10);
  EXPECT_EQ(o.iterations[1], 16);
  EXPECT_EQ(o.procedure, 1);
  EXPECT_EQ(o.cutij[0], 1e-10);
  EXPECT_EQ(o.direct, 1);
}

TEST(ScfReadOptions, ErrorPaths) {
  testing::FatalTrap trap;
  EXPECT_FATAL(read("$scf procedure=steep $end", context("DFT", 'V')), "unknown procedure STEEP");
  EXPECT_FATAL(read("$dft functional=nonsense $end", context("DFT", 'V')), "unknown 'NONSENSE'");
  EXPECT_FATAL(read("$scf core=6 $end", context("DFT", 'V')), "core=6 outside 0..5");
  EXPECT_FATAL(read("$scf core=-1 $end", context("DFT", 'V')), "core=-1 outside 0..5");
  EXPECT_FATAL(read("$scf bogus=1 $end", context("DFT", 'V')), "unknown name bogus");
}

TEST_F(ScfOptionsTest, WaterSetUpWritesTheRecordsAndPrintsTheHeader) {
  prepare(kWater, "DFT", 'V', 24, 84);
  const std::string out = setup("");
  EXPECT_EQ(values<int>("Na"), (std::vector<int>{5, 5}));
  EXPECT_EQ(values<int>("Nb"), (std::vector<int>{5, 5}));
  EXPECT_EQ(values<int>("Ncore"), (std::vector<int>{1, 1}));    // oxygen 1s
  EXPECT_EQ(values<int>("Nactive"), (std::vector<int>{7, 7}));  // 2s2p of O and two 1s
  EXPECT_EQ(store_get<int>("restrict"), 1);
  EXPECT_EQ(store_get<int>("closed"), 1);
  EXPECT_EQ(store_get<int>("direct"), 1);
  EXPECT_EQ(store_get<int>("v_typ"), 1);
  EXPECT_EQ(store_get<int>("v_alg"), 1);
  EXPECT_EQ(store_get<int>("fitxc"), 'V');
  EXPECT_EQ(store_get<int>("N3fit"), 'V');
  EXPECT_EQ(store_get<int>("form_d2Exc"), 'V');
  EXPECT_EQ(store_get<int>("use_d2Exc"), 0);
  EXPECT_EQ(store_get<int>("d2svs"), 1);
  EXPECT_EQ(store_get<int>("scf_procedure"), 2);
  EXPECT_EQ(values<int>("iterations"), (std::vector<int>{16, 16}));
  EXPECT_EQ(values<double>("convergence"), (std::vector<double>{1e-6, 1e-3}));
  EXPECT_EQ(values<double>("scf_Gmax"), (std::vector<double>{1e-6, 1e-3}));
  EXPECT_EQ(values<int>("scf_diag"), (std::vector<int>{2, 2}));
  EXPECT_EQ(store_get<double>("scf.xmax"), 0.125);
  EXPECT_EQ(store_get<double>("ricut"), 1e-10);
  EXPECT_EQ(store_size("cutij"), 16);
  EXPECT_EQ(store_size("functional"), 312);
  for (const char* name : {"Enn", "ET", "Ev", "EJ", "Ex", "Ec", "ESCF", "Q1"})
    EXPECT_EQ(store_get<double>(name), 0.0) << name;
  for (const char* name : {"scf_iter", "NevalF", "ID1", "ND1", "NCPSCF", "useD1", "Derivative"})
    EXPECT_EQ(store_get<int>(name), 0) << name;
  const std::int64_t t = 24 * 25 / 2;
  for (const char* name : {"Da", "Db", "Fa", "Fb", "D", "H0", "W", "S"})
    EXPECT_EQ(store_size(name), 8 * t) << name;
  for (const char* name : {"da", "db", "d", "v", "p"}) EXPECT_EQ(store_size(name), 8 * 84) << name;
  for (const char* name : {"fa", "fb"}) EXPECT_EQ(store_size(name), 8 * 2 * 84) << name;
  EXPECT_EQ(store_size("s"), 8 * 4 * 84);
  EXPECT_EQ(store_size("ua"), 8);
  EXPECT_EQ(store_size("invA"), 8 * 84 * 85 / 2);
  for (const char* name : {"grid", "grid_adapt", "grid_new"}) EXPECT_EQ(store_get<int>(name), 1);

  const std::string header =
      "\n +---------------------------------------\n"
      " | Number of atoms                      3\n"
      " | Charge of molecule                   0\n"
      " | Spin multiplicity                    1\n"
      " | Number of alpha electrons            5\n"
      " | Number of beta  electrons            5\n"
      " | Number of core  electrons            1\n"
      " | Theoretical Method                 DFT\n"
      " | Approximation to E(xc)             PBE\n"
      " | Dimension of wavefunction basis     24\n"
      " | Dimension of   auxiliary  basis     84\n"
      " | Hamiltonian: non-relativistic\n"
      " +---------------------------------------\n"
      " scf options: conv=1.0e-06, 1.0e-03; iter=16,16\n"
      " cut-off for S,T,V integrals: 1.0e-10 (1.0e-06)\n";
  EXPECT_EQ(out, header);
}

TEST_F(ScfOptionsTest, HartreeFockCationWithoutFitOrGrid) {
  prepare("$molecule charge=1 mult=2\n cartesian\n 8 0 0 0\n 1 0 0.757 0.587\n 1 0 -0.757 0.587\n$end\n",
          "HF", 0, 13, 0, 1);
  const std::string out = setup("$scf core=0 $end");
  EXPECT_EQ(values<int>("Na"), (std::vector<int>{5, 5}));
  EXPECT_EQ(values<int>("Nb"), (std::vector<int>{4, 4}));
  EXPECT_EQ(values<int>("Ncore"), (std::vector<int>{0, 1}));  // one value given
  EXPECT_EQ(store_get<int>("restrict"), 0);
  EXPECT_EQ(store_get<int>("closed"), 0);
  EXPECT_EQ(store_get<int>("direct"), 0);
  EXPECT_EQ(store_get<int>("v_alg"), 0);
  EXPECT_EQ(store_get<int>("fitxc"), 0);
  EXPECT_EQ(store_exists("da"), 0);
  EXPECT_EQ(store_exists("invA"), 0);
  EXPECT_EQ(store_get<int>("grid"), 0);
  EXPECT_EQ(out.find("Approximation"), std::string::npos);
  EXPECT_EQ(out.find("auxiliary"), std::string::npos);
  EXPECT_NE(out.find(" | Charge of molecule                   1\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" | Number of core  electrons            0\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" | Theoretical Method                  HF\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" | Hamiltonian: scalar-relativistic\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" cut-off for S,T,V integrals: 1.0e-10 (1.0e-08)\n"), std::string::npos) << out;
}

TEST_F(ScfOptionsTest, CorePotentialsReplaceTheCoreAndReduceTheValenceCounts) {
  // Iodine with 28 core electrons in the potential (14 orbitals) and a hydrogen.
  prepare("$molecule\n cartesian\n 53 0 0 0\n 1 0 0 1.6\n$end\n", "DFT", 'V', 30, 0);
  const int necp[2] = {14, 14};
  store_write("Necp", 0, necp, 8);
  const std::string out = setup("");
  EXPECT_EQ(values<int>("Na"), (std::vector<int>{13, 13}));  // (53 + 1) / 2 - 14
  EXPECT_EQ(values<int>("Nb"), (std::vector<int>{13, 13}));
  EXPECT_EQ(values<int>("Ncore"), (std::vector<int>{14, 14}));
  std::vector<int> active = values<int>("Nactive");
  EXPECT_EQ(active[0], active[1]);
  EXPECT_EQ(store_exists("da"), 0);  // no fitting basis
  EXPECT_NE(out.find(" | Number of alpha electrons           13\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" | Number of core  electrons           14\n"), std::string::npos) << out;
}

TEST_F(ScfOptionsTest, SecondEntriesCountTheFirstFragment) {
  // Water and a fluoride ion: the second entries belong to the water alone.
  prepare("$molecule charge=-1 cartesian\n charge=0\n 8 0 0 0\n 1 0 0.76 0.59\n 1 0 -0.76 0.59\n"
          " /\n charge=-1\n 9 2.5 0 0\n$end\n",
          "DFT", 'V', 20, 0);
  setup("$scf core=2,0 $end");
  EXPECT_EQ(values<int>("Na"), (std::vector<int>{10, 5}));
  EXPECT_EQ(values<int>("Nb"), (std::vector<int>{10, 5}));
  EXPECT_EQ(values<int>("Ncore"), (std::vector<int>{2, 0}));
  EXPECT_EQ(values<int>("Nactive"), (std::vector<int>{12, 7}));
  EXPECT_EQ(store_get<int>("closed"), 1);
}

TEST_F(ScfOptionsTest, CorePotentialsCannotTakeMoreThanTheElectrons) {
  prepare("$molecule charge=2\n cartesian\n 4 0 0 0\n$end\n", "DFT", 'V', 5, 0);
  const int necp[2] = {2, 2};  // a potential for both shells of Be2+, which has one left
  store_write("Necp", 0, necp, 8);
  InputFile f("");
  EXPECT_FATAL(scf_setup_options(f.get()), "core potentials replace 2 orbitals of 2 electrons");
}

TEST_F(ScfOptionsTest, TwoComponentAndOpenShellSetsSizeTheMatrices) {
  prepare(kWater, "OSDFT", 'V', 10, 20, 2);
  const std::string out = setup("$dft functional=b3lyp $end");
  const std::int64_t t = 55;
  EXPECT_EQ(store_size("Da"), 8 * t * 2 * 2);
  EXPECT_EQ(store_size("D"), 8 * t * 4);
  EXPECT_EQ(store_size("S"), 8 * t * 2);
  EXPECT_EQ(store_size("d"), 8 * 2 * 20);
  EXPECT_EQ(store_size("fa"), 8 * 3 * 20);
  EXPECT_EQ(store_get<int>("scf_procedure"), 1);
  EXPECT_EQ(store_get<int>("grid"), 0);  // OSDFT is not a grid theory
  EXPECT_NE(out.find(" | Hamiltonian: Dirac-Coulomb\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Approximation"), std::string::npos);  // OSDFT is outside the DFT class
}

TEST_F(ScfOptionsTest, FunctionalRecordMatchesTheTable) {
  prepare(kWater, "DFT", 'V', 24, 0);
  setup("$dft functional=b3lyp $end");
  const XcFunctional f = xc_store_read();
  const double p[32] = {};
  const std::int32_t n[5] = {};
  XcFunctional expected = xc_cleared(p, n);
  ASSERT_TRUE(xc_lookup("B3LYP", expected));
  EXPECT_EQ(std::memcmp(&f, &expected, sizeof f), 0);
}

}  // namespace
}  // namespace ostrel
