#include "linalg/multiply_task.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "input/group.hpp"
#include "linalg/multiply.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

void run_multiply_test() {
  int nabc[96] = {1024, 1024, 1024};
  int nnn = 500;
  if (is_master) {
    const InputVar vars[] = {{"nabc", IN_INT, 96, nabc}, {"nnn", IN_INT, 1, &nnn}};
    read_group(stdin, "test", 2, vars);
  }
  mp_bcast(nabc, 96, MP_INT);
  mp_bcast(&nnn, 1, MP_INT);

  for (int t = 0; t + 2 < 96; t += 3) {
    const std::int64_t na = nabc[t], nb = nabc[t + 1], nc = nabc[t + 2];
    if (na <= 0 || nb <= 0 || nc <= 0) break;
    const std::int64_t work = na * nb * nc;
    const int repeats =
        static_cast<int>(std::max<std::int64_t>(1, std::int64_t{nnn} * 1000000 / work));
    // Only the master holds the operands; the multiply deals them out.
    PoolArray<double> a(is_master ? na * nb : 1);
    PoolArray<double> b(is_master ? nc * nb : 1);
    PoolArray<double> c(is_master ? na * nc : 1);
    if (is_master) {
      for (std::int64_t i = 0; i < na; ++i)
        for (std::int64_t k = 0; k < nb; ++k) a[i * nb + k] = 1.0 / double(i + 1 + k * k);
      for (std::int64_t j = 0; j < nc; ++j)
        for (std::int64_t k = 0; k < nb; ++k) b[j * nb + k] = 1.0 / double(k * k + 1 + j);
      std::printf("NA=%4d, NB=%4d, NC=%4d, M=%5d: ", nabc[t], nabc[t + 1], nabc[t + 2], repeats);
      std::fflush(stdout);
    }
    timer("matrix multiply", '-');
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < repeats; ++r) {
      // A and B row-major: A is read with mode 1 (flag -1), B with its flag 1.
      if (node_count == 1) {
        multiply_serial(a.data(), b.data(), c.data(), int(na), int(nb), int(nc), -1, 1, 1, 1.0,
                        0.0);
      } else {
        matrix_multiply(a.data(), b.data(), c.data(), int(na), int(nb), int(nc), -1, 1, 1, 1.0,
                        0.0);
      }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timer("matrix multiply", '+');
    if (is_master) {
      const double rate = double(repeats) * double(work) * 1e-6 / std::max(seconds, 1e-9);
      std::printf(" t=%5.1lf, f=%5.1lf\n", seconds, rate);
      std::fflush(stdout);
    }
  }
}

}  // namespace ostrel
