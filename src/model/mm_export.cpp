// The "mm>" block hands a structure and its derivatives to the force-field fitting.
#include "model/mm_export.hpp"

#include <cstdint>
#include <cstdio>

#include "input/pending_modules.hpp"
#include "model/molecule_record.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {

void write_mm_block() {
  if (!is_master) return;
  Molecule mol = load_molecule(0, "Molecule");
  const std::int64_t natom = mol.n_atoms, n = 3 * natom;
  const ResultsGiven have = record_get(rec::haveE);
  std::printf("mm>%d\nmm>\n", mol.n_atoms);
  for (std::int64_t a = 0; a < natom; ++a)
    std::printf("mm>%3d %22.15e %22.15e %22.15e\n", mol.z[a], mol.xyz[3 * a], mol.xyz[3 * a + 1],
                mol.xyz[3 * a + 2]);
  std::printf("mm>\n");
  if (have.energy) std::printf("mm>%22.15e\nmm>\n", record_get(rec::Energy));
  if (have.gradient) {
    {
      double d[3];
      record_read(rec::Dipole, d, 3);
      std::printf("mm> %22.15e %22.15e %22.15e\nmm>\n", d[0], d[1], d[2]);
    }
    PoolArray<double> g(n);
    record_read(rec::Gradient, g.span());
    for (std::int64_t a = 0; a < natom; ++a)
      std::printf("mm> %22.15e %22.15e %22.15e\n", g[3 * a], g[3 * a + 1], g[3 * a + 2]);
    std::printf("mm>\n");
  }
  if (have.hessian) {
    PoolArray<double> h(n * (n + 1) / 2);
    record_read(rec::Hessian, h.span());
    for (std::int64_t i = 0, k = 0; i < n; ++i) {
      std::printf("mm>");
      for (std::int64_t j = 0; j <= i; ++j) std::printf(" %22.15e", h[k++]);
      std::printf("\n");
    }
  }
  release_molecule(mol);
}

}  // namespace ostrel
