// The SCF and guess options read by the master reach every node (run under mpirun -np 2, 3).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "input/element_table.hpp"
#include "model/basis_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "scf/guess/guess_driver.hpp"
#include "scf/procedure/scf_one_electron.hpp"
#include "scf/procedure/scf_options.hpp"
#include "support/input_file.hpp"
#include "support/model_input.hpp"
#include "support/records.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

TEST(ScfOptionsMpi, EveryNodeGetsTheMastersOptions) {
  InputFile groups(
      "$scf restrict=0 convergence=1e-7 procedure=diis iterations=30,12 xmax=0.5 $end\n"
      "$integral cutij=1e-12 direct=0 storage=3 $end\n"
      "$dft functional=b3lyp $end\n"
      "$guess na=2,1 read=1 mix=1 $end\n");
  if (is_master) {
    char theory[64] = "DFT";
    store_write("theory", 0, theory, 64);
    store_put("four", 0);
    store_put("fit", int{'V'});
    testing::with_stdin("$molecule mult=3\n cartesian\n 8 0 0 0\n 8 0 0 1.21\n$end\n",
                        [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
    const int necp[2] = {0, 0};
    store_write("Necp", 0, necp, 8);
    store_put("Nbasis", 28);
    store_put("Nbasis1", 0);
    store_put("Nfit", 0);
    InputFile none("");
    build_element_table("Atoms", none.get());
  }
  ::testing::internal::CaptureStdout();
  const ScfOptions o = scf_setup_options(groups.get());
  const GuessOptions g = guess_read_options(groups.get());
  ::testing::internal::GetCapturedStdout();

  // The groups were read (the rules themselves are checked on one process).
  EXPECT_EQ(o.procedure, -1);
  EXPECT_EQ(o.storage, 3);
  EXPECT_STREQ(o.functional_name, "B3LYP");
  EXPECT_EQ(g.read, 1);
  EXPECT_EQ(g.mix, 1);  // unrestricted keeps it

  // Byte for byte the master's options.
  ScfOptions master = o;
  mp_bcast(&master, sizeof master, MP_BYTE);
  EXPECT_EQ(std::memcmp(&master, &o, sizeof o), 0);

  // Only the master keeps the records.
  EXPECT_EQ(store_exists("restrict"), is_master ? 1 : 0);
  if (is_master) {
    const int na[2] = {store_get<int>("Na"), store_get<int>("Na", 4)};
    EXPECT_EQ(na[0], 9);  // triplet O2
    EXPECT_EQ(store_get<int>("Nb"), 7);
    EXPECT_EQ(store_get<int>("guess_na"), 1);
  }
}

TEST(ScfOptionsMpi, OneElectronSetUpOnAllNodesMatchesOneProcess) {
  if (is_master) {
    testing::read_test_molecule("$molecule cartesian\n 8 0 0 0.3\n 1 0 0.757 0.887\n 1 0 -0.757 0.887\n$end\n");
    testing::read_program_basis(testing::basis_library("def2"));
    testing::read_program_basis(testing::basis_library("def2"), true);
    const double cut[2] = {1e-10, 1e-6}, field[3] = {0.002, -0.001, 0.003};
    const int necp[2] = {0, 0};
    store_write("cutij", 0, cut, sizeof cut);
    store_write("field", 0, field, sizeof field);
    store_write("Necp", 0, necp, sizeof necp);
    store_put("four", 0);
    store_put("fit", int{'V'});
    store_put("N3fit", int{'V'});
  }
  // The master alone, with messages off.
  double enn = 0.0;
  std::vector<double> h0, inv, p;
  if (is_master) {
    const int nodes = node_count;
    node_count = 1;
    ::testing::internal::CaptureStdout();
    scf_one_electron_setup();
    ::testing::internal::GetCapturedStdout();
    node_count = nodes;
    enn = store_get<double>("Enn");
    h0 = testing::get_reals("H0");
    inv = testing::get_reals("invA");
    p = testing::get_reals("p");
  }
  ::testing::internal::CaptureStdout();
  scf_one_electron_setup();
  ::testing::internal::GetCapturedStdout();
  if (is_master) {
    EXPECT_NEAR(store_get<double>("Enn"), enn, 1e-12);
    const std::vector<double> h0n = testing::get_reals("H0"), invn = testing::get_reals("invA"), pn = testing::get_reals("p");
    ASSERT_EQ(h0n.size(), h0.size());
    ASSERT_EQ(invn.size(), inv.size());
    double dh = 0.0, di = 0.0, dp = 0.0;
    for (std::size_t i = 0; i < h0.size(); ++i) dh = std::max(dh, std::fabs(h0n[i] - h0[i]));
    for (std::size_t i = 0; i < inv.size(); ++i) di = std::max(di, std::fabs(invn[i] - inv[i]));
    for (std::size_t i = 0; i < p.size(); ++i) dp = std::max(dp, std::fabs(pn[i] - p[i]));
    EXPECT_LT(dh, 1e-12);
    EXPECT_LT(di, 1e-8);
    EXPECT_LT(dp, 1e-8);
  }
}

}  // namespace
}  // namespace ostrel
