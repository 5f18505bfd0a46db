// Dynamics: the integrator runs back to its start, the energy programme, the defaults.

#include "models/mm/mm_dynamics.hpp"
#include "models/mm/mm_fixture.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

class MmDynamicsTest : public testing::RuntimeTest {};

TEST_F(MmDynamicsTest, TrajectoryIsTimeReversible) {
  testing::MmParameterBlock p(testing::kMmTestGroup);
  testing::MmTestMolecule m = testing::cyclobutanol();
  const std::vector<double> start = m.xyz;
  const int n3 = 3 * m.n;
  std::vector<double> v(n3), g(n3);
  for (int k = 0; k < n3; ++k) v[k] = 0.002 * std::sin(1.0 + k);
  double dipole[3];
  const MmStructure s = m.view();
  double* x = m.xyz.data();
  mm_terms(s, *p, dipole, g.data(), nullptr);
  for (int step = 0; step < 1000; ++step) mm_verlet_step(s, *p, x, v.data(), g.data(), 0.01);
  double moved = 0.0;
  for (int k = 0; k < n3; ++k) moved = std::fmax(moved, std::fabs(x[k] - start[k]));
  EXPECT_GT(moved, 1e-2);
  for (double& vk : v) vk = -vk;
  for (int step = 0; step < 1000; ++step) mm_verlet_step(s, *p, x, v.data(), g.data(), 0.01);
  for (int k = 0; k < n3; ++k) EXPECT_NEAR(x[k], start[k], 1e-8);
}

TEST_F(MmDynamicsTest, DefaultsAndEnergyProgramme) {
  MmDynamicsOptions o = mm_dynamics_defaults();
  mm_complete_dynamics_options(o, 10);
  EXPECT_DOUBLE_EQ(o.radius, std::cbrt(3000.0) + 10.0);
  EXPECT_DOUBLE_EQ(o.e[0], 0.03);
  EXPECT_DOUBLE_EQ(o.e[2], 0.03);
  EXPECT_DOUBLE_EQ(mm_target_energy(o, -1.0, 50.0), -0.97);
  EXPECT_DOUBLE_EQ(mm_target_energy(o, -1.0, 500.0), -0.97);  // no second period
  MmDynamicsOptions ramp = mm_dynamics_defaults();
  ramp.t[1] = 100.0;
  ramp.e[0] = 0.001;
  ramp.e[1] = 0.002;
  ramp.e[2] = 0.0;
  ramp.volume = 4.1887902047863905 * 8.0;
  mm_complete_dynamics_options(ramp, 1);
  EXPECT_NEAR(ramp.radius, 2.0, 1e-14);
  EXPECT_DOUBLE_EQ(ramp.e[2], 0.0);
  EXPECT_DOUBLE_EQ(mm_target_energy(ramp, 0.0, 50.0), 0.0015);
  EXPECT_DOUBLE_EQ(mm_target_energy(ramp, 0.0, 150.0), 0.001);
}

}  // namespace
}  // namespace ostrel
