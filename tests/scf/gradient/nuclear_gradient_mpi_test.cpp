// The SCF gradient shared out over the nodes gives the one-process gradient (run under
// mpirun -np 2, 3): every node first converges the SCF alone, then all compute the
// gradient together from the master's records.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "input/common_setup.hpp"
#include "input/control_options.hpp"
#include "input/pending_modules.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "scf/gradient/nuclear_gradient.hpp"
#include "scf/procedure/scf_procedure.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"

namespace ostrel {
namespace {

std::vector<double> gradient_record() {
  std::vector<double> v(static_cast<std::size_t>(store_size("Gradient")) / 8);
  store_get_array<double>("Gradient", std::span<double>(v));
  return v;
}

// Converges the SCF on every node alone and computes its gradient there, then computes the
// gradient again shared over the nodes.
void compare(void (*setup)()) {
  const int nodes = node_count, id = node_id, master = is_master;
  node_count = 1;
  node_id = 0;
  is_master = 1;
  ::testing::internal::CaptureStdout();
  std::vector<double> serial;
  {
    testing::FatalTrap trap;
    try {
      setup();
      scf_run();
      scf_nuclear_gradient();
      serial = gradient_record();
    } catch (const testing::FatalStop& stop) {
      const std::string out = ::testing::internal::GetCapturedStdout();
      node_count = nodes;
      node_id = id;
      is_master = master;
      FAIL() << stop.what() << "\n" << out;
    }
  }
  node_count = nodes;
  node_id = id;
  is_master = master;
  scf_nuclear_gradient();
  ::testing::internal::GetCapturedStdout();
  if (!is_master) return;
  const std::vector<double> shared = gradient_record();
  ASSERT_EQ(shared.size(), serial.size());
  for (std::size_t i = 0; i < serial.size(); ++i) EXPECT_NEAR(shared[i], serial[i], 1e-10) << i;
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
