// The S,T,V step shared over the nodes (V by atom rows, core potentials by radial points)
// leaves the same records as one process doing all the work.
#include "integrals/one_electron_matrices.hpp"
#include "runtime/message_passing.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

TEST(OneElectronDriverNodes, SharedWorkEqualsOneProcess) {
  // Methyl iodide: five atoms, so two and three nodes take unequal shares of the rows.
  if (is_master) {
    testing::read_test_model("$molecule units=b cartesian\n 6 0 0 0\n 53 0 0 4.04\n 1 1.95 0 -0.68\n"
                             " 1 -0.96 1.68 -0.68\n 1 -0.96 -1.68 -0.68\n$end\n",
                             testing::FitSet::none, "def2", true);
  }
  const double field[3] = {0.002, 0.0, -0.001};
  OneElectronRecords r;
  r.ecp = "ECP";
  double energy = 0.0, dipole[3] = {};
  if (is_master) ::testing::internal::CaptureStdout();
  one_electron_integrals(r, &energy, field, dipole, 0, 1e-12);
  if (is_master) ::testing::internal::GetCapturedStdout();
  // Every node knows the nuclear terms.
  double all[4] = {energy, dipole[0], dipole[1], dipole[2]}, master[4];
  for (int k = 0; k < 4; ++k) master[k] = all[k];
  mp_bcast(master, 4, MP_DOUBLE);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(all[k], master[k]) << node_id << " " << k;
  if (!is_master) return;

  const int shared_count = node_count;
  node_count = 1;  // the master alone redoes everything
  OneElectronRecords one = r;
  one.overlap = "one.S";
  one.kinetic = "one.T";
  one.hamiltonian = "one.H";
  one.moments = "one.Sxyz";
  double energy1 = 0.0, dipole1[3] = {};
  testing::captured_stdout([&] { one_electron_integrals(one, &energy1, field, dipole1, 0, 1e-12); });
  node_count = shared_count;
  EXPECT_EQ(energy, energy1);
  const long n2 = packed_size(store_get<int>("Nbasis"));
  const char* names[4][2] = {{"S", "one.S"}, {"T", "one.T"}, {"H", "one.H"}, {"Sxyz", "one.Sxyz"}};
  for (auto& pair : names) {
    const long count = (std::string(pair[0]) == "Sxyz" ? 9 : 1) * n2;
    // V rows move unchanged; the core-potential sum over radial points changes its order.
    EXPECT_LT(testing::max_difference(testing::get_reals(pair[0], count), testing::get_reals(pair[1], count)), 1e-13)
        << pair[0] << " on " << node_count << " nodes";
  }
}

}  // namespace
}  // namespace ostrel
