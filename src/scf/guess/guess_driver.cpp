#include "scf/guess/guess_driver.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "input/group.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"
#include "scf/guess/atomic_calculations.hpp"
#include "scf/guess/guess_minimal.hpp"
#include "scf/guess/vector_file.hpp"

namespace ostrel {
namespace {

struct DriverSettings {
  int four, n, restricted, mix, localize, read;
  char save[128];
};

// Orbitals given in the input, M x M column after column with M energies per spin.
void read_ce_group(std::FILE* input, int nbasis) {
  const std::int64_t room = 2 * std::int64_t{nbasis};
  PoolArray<double> ca(room * room), ea(room), cb(room * room), eb(room);
  for (std::int64_t i = 0; i < ca.size(); ++i) ca[i] = cb[i] = 0.0;
  for (std::int64_t i = 0; i < ea.size(); ++i) ea[i] = eb[i] = 0.0;
  int m = static_cast<int>(room);
  const int mm = static_cast<int>(room * room), r = static_cast<int>(room);
  const InputVar vars[] = {
      {"n", IN_INT, 1, &m},          {"c", IN_REAL, mm, ca.data()}, {"ca", IN_REAL, mm, ca.data()},
      {"e", IN_REAL, r, ea.data()},  {"ea", IN_REAL, r, ea.data()}, {"cb", IN_REAL, mm, cb.data()},
      {"eb", IN_REAL, r, eb.data()},
  };
  read_group(input, "ce", 7, vars);
  if (m < 1 || m > room) fatal_error("*** error in '$ce' : n=%d outside 1..%lld\n", m, static_cast<long long>(room));
  const std::int64_t n2 = std::int64_t{m} * m;
  bool beta_given = false;
  for (std::int64_t i = 0; i < n2; ++i) beta_given |= cb[i] != 0.0;
  const double* cbeta = beta_given ? cb.data() : ca.data();
  const double* ebeta = beta_given ? eb.data() : ea.data();
  record_write(rec::guess_Ca, ca.data(), n2);
  record_write(rec::guess_ea, ea.data(), m);
  record_write(rec::guess_Cb, cbeta, n2);
  record_write(rec::guess_eb, ebeta, m);
}

}  // namespace

GuessOptions guess_read_options(std::FILE* input) {
  GuessOptions o{};
  if (is_master) {
    const int nbasis = record_get(rec::Nbasis);
    const int restricted = record_get_or(rec::restricted, 0);
    // Room for the two-component case; at least one slot so that an empty basis reads.
    const int room = nbasis > 0 ? 2 * nbasis : 1;
    PoolArray<int> na(room), nb(room);
    for (int i = 0; i < room; ++i) na[i] = nb[i] = i + 1;
    const InputVar vars[] = {
        {"skip", IN_INT, 1, &o.skip},     {"n", IN_INT, room, na.data()},
        {"na", IN_INT, room, na.data()},  {"nb", IN_INT, room, nb.data()},
        {"read", IN_INT, 1, &o.read},     {"mix", IN_INT, 1, &o.mix},
        {"localize", IN_INT, 1, &o.localize},
    };
    read_group(input, "guess", 7, vars);
    if (restricted) {
      o.mix = 0;
      for (int i = 0; i < room; ++i) nb[i] = na[i];
    }
    for (int i = 0; i < room; ++i) {
      --na[i];
      --nb[i];
    }
    record_put(rec::guess_skip, o.skip);
    record_write(rec::guess_na, na.data(), room);
    record_write(rec::guess_nb, nb.data(), room);
    record_put(rec::guess_read, o.read);
    record_put(rec::guess_mix, o.mix);
    record_put(rec::guess_loc, o.localize);
    if (o.read < 0) read_ce_group(input, nbasis);
  }
  mp_bcast(&o, sizeof o / sizeof(int), MP_INT);
  return o;
}

void guess_read_options() { guess_read_options(stdin); }

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
