#include <cstdio>
#include <cstring>
#include <string>

#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"
#include "scf/guess/atomic_calculations.hpp"
#include "scf/guess/guess_steps.hpp"
#include "scf/guess/vector_file.hpp"

namespace ostrel {
namespace {

struct DriverSettings {
  int four, n, restricted, mix, localize, read;
  char save[128];
};

}  // namespace

void initial_guess() {
  timer("Initial Guess", '-');
  DriverSettings g{};
  if (is_master) {
    std::printf("\n Initial Guess\n");
    g.four = record_get_or(rec::four, 0);
    g.n = record_get(rec::Nbasis);
    g.restricted = record_get_or(rec::restricted, 0);
    g.mix = record_get_or(rec::guess_mix, 0);
    g.localize = record_get_or(rec::guess_loc, 0);
    g.read = record_get_or(rec::guess_read, 0);
    if (record_exists(rec::scfsave))
      std::snprintf(g.save, sizeof g.save, "%s", record_text(rec::scfsave).c_str());
  }
  mp_bcast(&g, sizeof g, MP_BYTE);
  if (g.four >= 2) fatal_error("\n the two-component guess is not available in this build\n");

  atomic_calculations();
  core_orbitals();

  if (g.read >= 1) {
    int failed = 0;
    if (is_master) {
      std::printf("\n vectors from '%s'\n", g.save);
      failed = read_vectors(g.save, g.n);
    }
    mp_bcast(&failed, 1, MP_INT);
    if (failed) fatal_error(" error...\n");
    if (is_master) {
      const double zero = 0.0;
      record_save(rec::scf_Gmax, &zero, 1);
    }
  } else if (g.read < 0) {
    projected_guess();
  } else {
    minimal_basis_guess();
  }
  timer("Initial Guess", '+');
  timer("Initial Guess", 'r');
}

void fragment_guess() { fatal_error("\n the fragment guess is not available in this build\n"); }

}  // namespace ostrel
