#include "input/ci_options.hpp"

#include "input/group.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"

namespace ostrel {

void read_ci_options(std::FILE* input) {
  if (!is_master) return;
  int ndiis[2] = {5, 8};
  // The SCF options normally come first; without them the SCF's own default applies.
  int iterations = record_exists(rec::iterations) ? record_field(rec::iterations, &IterationLimits::outer) : 48;
  int v4 = 0;
  double ecut = 1e-8;
  const InputVar vars[] = {
      {"ndiis", IN_INT, 2, ndiis},
      {"iterations", IN_INT, 1, &iterations},
      {"v4", IN_INT, 1, &v4},
      {"ecut", IN_REAL, 1, &ecut},
  };
  read_group(input, "ci", 4, vars);
  record_write(rec::ci_ndiis, ndiis, 2);
  record_put(rec::ci_Niter, iterations);
  record_put(rec::ci_v4, v4);
  record_put(rec::ci_ecut, ecut);
}

}  // namespace ostrel
