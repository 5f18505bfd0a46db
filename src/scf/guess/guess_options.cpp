#include "scf/guess/guess_options.hpp"

#include <cstdint>

#include "input/group.hpp"
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

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

}  // namespace ostrel
