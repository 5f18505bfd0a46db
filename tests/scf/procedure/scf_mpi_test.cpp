// The SCF on two and three nodes gives the one-process results (run under mpirun -np 2, 3).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_test_system.hpp"
#include "support/molecules.hpp"

namespace ostrel {
namespace {

// One-process results of the same runs (this build, single node; the Kohn-Sham values move
// with the grid construction and are taken again when it changes).
constexpr double kHartreeWater = -67.278807603343;   // grid 0, Newton-Raphson, conv 1e-10
constexpr double kHartreeCation = -67.114188445407;  // grid 0, UKS from the core guess, BFGS
constexpr double kPbeWater = -76.271862948742;        // default model, grid accuracy 1e-10
constexpr double kPbeWaterOverlapFit = -76.267625514983;  // the same with fit=S

// A new store and pool for the next test, as every single-process test gets them: the
// free-atom step still reads core-potential blocks it has not cleared (reported).
void fresh_store() {
  store_close();
  pool_init(std::int64_t{256} << 20);
  store_open("", -64);
}

double master_value(const char* name) {
  double v = is_master ? store_get<double>(name) : 0.0;
  mp_bcast(&v, 1, MP_DOUBLE);
  return v;
}

// The Hartree-only SCF from the core guess, set up on the master like task control does.
double hartree(int charge, const char* groups) {
  int n = 0;
  if (is_master) {
    char theory[64] = "DFT";
    store_write("theory", 0, theory, 64);
    store_put("four", 0);
    store_put("fit", int{'J'});
    char mol[300];
    std::snprintf(mol, sizeof mol,
                  "$molecule charge=%d mult=%d cartesian\n set=def2-SVP\n 8 0.0 0.0 0.1173\n"
                  " 1 0.0 0.7572 -0.4692\n 1 0.0 -0.7572 -0.4692\n$end\n",
                  charge, charge ? 2 : 1);
    testing::read_test_molecule(mol);
    ::testing::internal::CaptureStdout();
    const int necp[2] = {0, 0};
    store_write("Necp", 0, necp, 8);
    read_basis(testing::kScfLibrary.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    read_basis(testing::kScfLibrary.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, 0);
    store_put("Nbasis1", 0);
    const double field[3] = {0.0, 0.0, 0.0};
    store_write("field", 0, field, 24);
    testing::InputFile none("");
    build_element_table("Atoms", none.get());
    ::testing::internal::GetCapturedStdout();
    n = store_get<int>("Nbasis");
  }
  testing::InputFile input(groups);
  ::testing::internal::CaptureStdout();
  scf_setup_options(input.get());
  if (is_master)
    for (const char* name : {"grid", "grid_adapt", "grid_new"}) store_put(name, 0);
  scf_one_electron_setup();
  if (is_master && n > 0) {  // n > 0 also tells the compiler the sizes below are sane
    const std::vector<double> c =
        testing::roothaan(n, testing::record_values("H0"), testing::record_values("S"));
    testing::write_values("Ca", c);
    testing::write_values("Cb", c);
  }
  scf_run();
  const std::string out = ::testing::internal::GetCapturedStdout();
  if (is_master) {
    EXPECT_NE(out.find(" converged!"), std::string::npos) << out;
  }
  return master_value("ESCF");
}

// First: the full set-up reads records that a run before it may leave with stale bytes.
TEST(ScfMpi, KohnShamModelsGiveTheOneProcessEnergies) {
  for (const auto& [fit, energy] : {std::pair{"J", kPbeWater}, std::pair{"S", kPbeWaterOverlapFit}}) {
    const std::string out = testing::run_input(std::string("$control task=energy theory=dft basis=def2-svp fit=") + fit +
                                               " $end\n" + testing::molecule_group(testing::kWaterReferenceAtoms) +
                                               "$dft functional=pbe $end\n$grid accuracy=1e-10 $end\n");
    const double e = master_value("Energy");
    if (is_master) {
      EXPECT_NE(out.find(" converged!"), std::string::npos) << out;
    }
    EXPECT_NEAR(e, energy, 1e-9) << fit;
    fresh_store();
  }
}

TEST(ScfMpi, HartreeOnlyRunsGiveTheOneProcessEnergies) {
  const double closed = hartree(0, "$scf convergence=1e-10 iterations=30 $end");
  EXPECT_NEAR(closed, kHartreeWater, 1e-9);
  fresh_store();
  const double open = hartree(1, "$scf convergence=1e-10 iterations=80 procedure=bfgs $end");
  EXPECT_NEAR(open, kHartreeCation, 1e-9);
  fresh_store();
}

}  // namespace
}  // namespace ostrel
