// A finite-difference Kohn-Sham Hessian shared over the nodes is the one-process Hessian
// (run under mpirun -np 2, 3): every node first computes it alone, then all together. The SCF
// converges to 1e-9: at 1e-8 a displaced point whose run stopped one iteration apart on the
// two layouts moved the Hessian by 3e-9, while the layouts themselves agree to 1e-11.
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "geometry/hessian/second_derivatives.hpp"
#include "input/common_setup.hpp"
#include "input/control_options.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"

namespace ostrel {
namespace {

const char* kInput =
    "$control task=hessian theory=dft basis=def2-svp fit=J derivative=numeric $end\n"
    "$d2edr2 length=0.01 displace=1 $end\n"
    "$molecule\n cartesian\n 9 0 0 0\n 1 0.05 0 0.92\n$end\n"
    "$dft functional=pbe $end $scf fitxc=0 convergence=1e-9 $end $grid accuracy=1e-6 $end\n";

std::vector<double> hessian_of_input() {
  store_clear();
  testing::with_stdin(kInput, [] {
    control_step(stdin);
    common_setup("HESSIAN", stdin);
    EXPECT_EQ(second_derivatives(), 0);
  });
  std::vector<double> h(21);
  if (is_master) record_read(rec::Hessian, h.data(), 21);
  return h;
}

TEST(HessianMpi, SharedHessianIsTheOneProcessHessian) {
  char dir[] = "/tmp/ostrel-hessian-mpi-XXXXXX";  // each node keeps its points apart
  ASSERT_NE(mkdtemp(dir), nullptr);
  store_close();
  store_open(dir, -64);
  testing::FatalTrap trap;
  ::testing::internal::CaptureStdout();
  const int nodes = node_count, id = node_id, master = is_master;
  node_count = 1, node_id = 0, is_master = 1;
  const std::vector<double> serial = hessian_of_input();
  node_count = nodes, node_id = id, is_master = master;
  const std::vector<double> shared = hessian_of_input();
  ::testing::internal::GetCapturedStdout();
  std::filesystem::remove_all(dir);
  for (int i = 0; is_master && i < 21; ++i) EXPECT_NEAR(shared[i], serial[i], 1e-9) << i;
}

}  // namespace
}  // namespace ostrel
