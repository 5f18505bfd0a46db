#include "input/ci_options.hpp"

#include "input/group.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"

namespace ostrel {

void read_ci_options(std::FILE* input) {
  if (!is_master) return;
  int ndiis[2] = {5, 8};
  // The SCF options normally come first; without them the SCF's own default applies.
  int iterations = store_exists("iterations") ? store_get<int>("iterations") : 48;
  int v4 = 0;
  double ecut = 1e-8;
  const InputVar vars[] = {
      {"ndiis", IN_INT, 2, ndiis},
      {"iterations", IN_INT, 1, &iterations},
      {"v4", IN_INT, 1, &v4},
      {"ecut", IN_REAL, 1, &ecut},
  };
  read_group(input, "ci", 4, vars);
  store_write("ci_ndiis", 0, ndiis, sizeof ndiis);
  store_put("ci_Niter", iterations);
  store_put("ci_v4", v4);
  store_put("ci_ecut", ecut);
}

}  // namespace ostrel
