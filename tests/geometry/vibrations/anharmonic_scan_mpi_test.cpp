#include "geometry/vibrations/anharmonic_scan.hpp"
#include "runtime/message_passing.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

TEST(AnharmonicScanMpi, EveryNodeEvaluatesEachPointTheMasterAsksFor) {
  // A diatomic with one harmonic stretch; the master alone holds the records.
  const double k = 0.5;
  if (is_master) {
    testing::read_test_molecule(testing::molecule_group(" 1 0 0 0\n 9 0 0 0.92\n"));
    std::vector<double> h(21, 0.0);
    h[5] = h[20] = k;  // zz of both atoms
    h[17] = -k;        // z1 z2
    testing::put_reals("Hessian", h);
  }
  int calls = 0;
  const auto energy = [&] {
    ++calls;
    if (!is_master) return 0.0;
    const testing::LoadedMolecule mol;
    const double r = atom_distance(mol.xyz, 0, 1) - 0.92 * 1.8897259885789233;
    return 0.5 * k * r * r;
  };
  AnharmonicResult result;
  testing::captured_stdout([&] { testing::with_stdin("", [&] { result = anharmonic_scan(energy); }); });
  int master_calls = calls;
  mp_bcast(&master_calls, 1, MP_INT);
  EXPECT_EQ(calls, master_calls);
  // The equilibrium point and four points on each side of a harmonic curve.
  EXPECT_EQ(master_calls, 9);
  if (is_master) {
    EXPECT_NEAR(result.anharmonic_zpe, result.harmonic_zpe, 1e-9);
  }
}

}  // namespace
}  // namespace ostrel
