// The SCF gradient shared out over the nodes gives the one-process gradient (run under
// mpirun -np 2, 3): every node first converges the SCF alone, then all compute the
// gradient together from the master's records.
#include "input/common_setup.hpp"
#include "input/control_options.hpp"
#include "scf/gradient/nuclear_gradient.hpp"
#include "scf/grid/grid_test_system.hpp"
#include "scf/guess/guess_driver.hpp"
#include "scf/procedure/scf_run.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

// Converges the SCF on every node alone and computes its gradient there, then computes the
// gradient again shared over the nodes.
void compare(void (*setup)()) {
  const std::vector<double> serial = testing::as_one_process([&] {
    testing::captured_stdout([&] {
      testing::FatalTrap trap;
      try {
        setup();
        scf_run();
        scf_nuclear_gradient();
      } catch (const testing::FatalStop& stop) {
        ADD_FAILURE() << stop.what();
      }
    });
    return ::testing::Test::HasFailure() ? std::vector<double>{} : testing::get_reals("Gradient");
  });
  testing::captured_stdout(scf_nuclear_gradient);
  if (is_master) {
    const std::vector<double> shared = testing::get_reals("Gradient");
    ASSERT_EQ(shared.size(), serial.size());
    EXPECT_LT(testing::max_difference(shared, serial), 1e-10);
  }
}

const char* kInput =
    "$control task=gradient theory=dft basis=def2-svp fit=J $end\n"
    "$molecule\n cartesian\n 8 0.01 -0.02 0.11\n 1 0.03 0.8 -0.48\n 1 -0.05 -0.72 -0.43\n$end\n"
    "$dft functional=pbe $end $scf fitxc=0 convergence=1e-8 $end $grid accuracy=1e-6 $end\n";

// The orbital-density model, then the fitted one from the converged orbitals.
TEST(ScfGradientMpi, BothExchangeCorrelationModelsMatchOneProcess) {
  compare([] {
    testing::with_stdin(kInput, [] {
      control_step(stdin);
      common_setup("GRADIENT", stdin);
    });
    initial_guess();
  });
  compare([] { store_put("fitxc", 1); });
}

}  // namespace
}  // namespace ostrel
