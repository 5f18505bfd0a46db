// The SCF and guess options read by the master reach every node (run under mpirun -np 2, 3).
#include <cstring>

#include "input/element_table.hpp"
#include "runtime/message_passing.hpp"
#include "scf/guess/guess_driver.hpp"
#include "scf/procedure/scf_options.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

TEST(ScfOptionsMpi, EveryNodeGetsTheMastersOptions) {
  InputFile groups(
      "$scf restrict=0 convergence=1e-7 procedure=diis iterations=30,12 xmax=0.5 $end\n"
      "$integral cutij=1e-12 direct=0 storage=3 $end\n"
      "$dft functional=blyp $end\n"
      "$guess na=2,1 read=1 mix=1 $end\n");
  if (is_master) {
    store_put_text("theory", "DFT", 64);
    store_put("four", 0);
    store_put("fit", int{'V'});
    testing::with_stdin("$molecule mult=3\n cartesian\n 8 0 0 0\n 8 0 0 1.21\n$end\n",
                        [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
    testing::put_ints("Necp", {0, 0});
    store_put("Nbasis", 28);
    store_put("Nbasis1", 0);
    store_put("Nfit", 0);
    build_element_table("Atoms", InputFile("").get());
  }
  ::testing::internal::CaptureStdout();
  const ScfOptions o = scf_setup_options(groups.get());
  const GuessOptions g = guess_read_options(groups.get());
  ::testing::internal::GetCapturedStdout();

  // The groups were read (the rules themselves are checked on one process); unrestricted
  // keeps the mix.
  EXPECT_EQ((std::vector<int>{o.procedure, o.storage, g.read, g.mix}), (std::vector<int>{-1, 3, 1, 1}));
  EXPECT_STREQ(o.functional_name, "BLYP");

  // Byte for byte the master's options.
  ScfOptions master = o;
  mp_bcast(&master, sizeof master, MP_BYTE);
  EXPECT_EQ(std::memcmp(&master, &o, sizeof o), 0);

  // Only the master keeps the records.
  EXPECT_EQ(store_exists("restrict"), is_master ? 1 : 0);
  if (is_master) {
    // Triplet O2.
    EXPECT_EQ((std::vector<int>{store_get<int>("Na"), store_get<int>("Nb"), store_get<int>("guess_na")}),
              (std::vector<int>{9, 7, 1}));
  }
}

}  // namespace
}  // namespace ostrel
