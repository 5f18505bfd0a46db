// Core potentials from the "ecp" group of the library: "ECP", "Necp" and reduced charges.
#include "model/ecp_input.hpp"

#include <cstdio>
#include <cstring>

#include "input/group.hpp"
#include "model/elements.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_scanner.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {

namespace {

void read_terms(TextScanner& sc, int z, int l, int* count, int* power, double* coef, double* exponent) {
  if (!sc.integer(count)) fatal_error("\n ECP of element %d, L=%d: number of terms?\n", z, l);
  if (*count < 0 || *count > ECP_MAX_TERMS)
    fatal_error("\n ECP of element %d, L=%d: %d terms (at most %d)\n", z, l, *count, ECP_MAX_TERMS);
  for (int i = 0; i < *count; ++i)
    if (!sc.real(coef + i) || !sc.integer(power + i) || !sc.real(exponent + i) || power[i] < -2 ||
        !(exponent[i] > 0.0))
      fatal_error("\n ECP of element %d, L=%d: term %d?\n", z, l, i + 1);
}

// Reads one entry into `e`; false at the end of the entries (the header does not scan).
bool read_entry(TextScanner& sc, EcpBlock& e, int* z) {
  const long mark = sc.tell();
  int ncore, lmax;
  if (!sc.integer(z)) return false;
  if (!sc.integer(&ncore) || !sc.integer(&lmax)) {
    sc.seek(mark);
    return false;
  }
  if (*z < 0 || *z > MAX_ELEMENT) fatal_error("\n ECP for atomic number %d?\n", *z);
  if (ncore < 0 || ncore > *z) fatal_error("\n ECP of element %d: %d core electrons?\n", *z, ncore);
  if (lmax < 0 || lmax > ECP_MAX_CHANNELS)
    fatal_error("\n ECP of element %d: Lmax=%d (at most %d)\n", *z, lmax, ECP_MAX_CHANNELS);
  std::memset(&e, 0, sizeof e);
  e.n_core = ncore;
  e.lmax = lmax;
  read_terms(sc, *z, lmax, &e.n_local, e.local_power, e.local_coef, e.local_exponent);
  for (int l = 0; l < lmax; ++l) {
    const int at = l * ECP_MAX_TERMS;
    read_terms(sc, *z, l, &e.n_semilocal[l], e.semilocal_power + at, e.semilocal_coef + at,
               e.semilocal_exponent + at);
  }
  return true;
}

void print_ecp(const Molecule& m, const EcpBlock* blocks) {
  std::printf("\n ECP:\n");
  for (int a = 0; a < m.n_atoms; ++a) {
    bool seen = false;
    for (int b = 0; b < a; ++b) seen |= m.z[b] == m.z[a];
    if (seen) continue;
    const EcpBlock& e = blocks[a];
    if (e.n_core == 0) {
      std::printf("  atomic number %2d: no ECP\n\n", m.z[a]);
      continue;
    }
    std::printf("  atomic number %2d: Ncore = %2d, Lmax = %d\n\n   L        c       n        a     \n",
                m.z[a], e.n_core, e.lmax);
    for (int i = 0; i < e.n_local; ++i)
      std::printf("   %d  %12.6lf  %d  %12.6lf\n", e.lmax, e.local_coef[i], e.local_power[i], e.local_exponent[i]);
    for (int l = 0; l < e.lmax; ++l)
      for (int i = 0; i < e.n_semilocal[l]; ++i) {
        const int k = l * ECP_MAX_TERMS + i;
        std::printf("   %d  %12.6lf  %d  %12.6lf\n", l, e.semilocal_coef[k], e.semilocal_power[k],
                    e.semilocal_exponent[k]);
      }
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace

void read_core_potentials(const char* library) {
  Molecule m = load_molecule(0, "Molecule");
  int necp[2] = {0, 0};
  {
    const InputSource source(library, "\n error opening file '%s'\n");
    std::FILE* in = source.get();
    if (find_group(in, "ecp", 1) == 0) {
      const int n = m.n_atoms;
      PoolArray<EcpBlock> blocks(n + 1);
      std::memset(blocks.data(), 0, sizeof(EcpBlock) * std::size_t(n + 1));
      TextScanner sc(in);
      int z;
      while (read_entry(sc, blocks[n], &z))
        for (int a = 0; a < n; ++a)
          if (m.z[a] == z) blocks[a] = blocks[n];
      char word[16];
      if (sc.word(word, sizeof word, "") <= 0 || (lower_case(word), std::strcmp(word, "$end") != 0))
        fatal_error("\n ECP entry after element %d?\n", z);

      bool any_core = false;
      for (int a = 0; a < n; ++a) {
        m.charge[a] = m.z[a] - blocks[a].n_core;
        any_core |= blocks[a].n_core > 0;
        necp[0] += blocks[a].n_core / 2;
        if (m.fragment_of[a] == 0) necp[1] += blocks[a].n_core / 2;
      }
      // An odd single core electron adds no core orbital but still reduces the charge.
      if (any_core) {
        print_ecp(m, blocks.data());
        record_alloc(rec::ECP, n);
        record_write(rec::ECP, blocks.data(), n);
        molecule_write_charges(rec::Molecule.name, m);
      }
    }
  }
  record_write(rec::Necp, necp, 2);
  release_molecule(m);
}

}  // namespace ostrel
