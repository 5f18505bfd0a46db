// The "mm>" block hands a structure and its derivatives to the force-field fitting.
#include "model/mm_export.hpp"

#include <cstdint>
#include <cstdio>

#include "input/pending_modules.hpp"
#include "model/molecule_record.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

namespace ostrel {

void write_mm_block() {
  if (!is_master) return;
  Molecule mol = load_molecule(0, "Molecule");
  const std::int64_t natom = mol.n_atoms, n = 3 * natom;
  int have[3];
  store_read("haveE", 0, have, sizeof have);
  std::printf("mm>%d\nmm>\n", mol.n_atoms);
  for (std::int64_t a = 0; a < natom; ++a)
    std::printf("mm>%3d %22.15e %22.15e %22.15e\n", mol.z[a], mol.xyz[3 * a], mol.xyz[3 * a + 1],
                mol.xyz[3 * a + 2]);
  std::printf("mm>\n");
  if (have[0]) std::printf("mm>%22.15e\nmm>\n", store_get<double>("Energy"));
  if (have[1]) {
    {
      double d[3];
      store_read("Dipole", 0, d, sizeof d);
      std::printf("mm> %22.15e %22.15e %22.15e\nmm>\n", d[0], d[1], d[2]);
    }
    PoolArray<double> g(n);
    store_read("Gradient", 0, g.data(), 8 * n);
    for (std::int64_t a = 0; a < natom; ++a)
      std::printf("mm> %22.15e %22.15e %22.15e\n", g[3 * a], g[3 * a + 1], g[3 * a + 2]);
    std::printf("mm>\n");
  }
  if (have[2]) {
    PoolArray<double> h(n * (n + 1) / 2);
    store_read("Hessian", 0, h.data(), 8 * h.size());
    for (std::int64_t i = 0, k = 0; i < n; ++i) {
      std::printf("mm>");
      for (std::int64_t j = 0; j <= i; ++j) std::printf(" %22.15e", h[k++]);
      std::printf("\n");
    }
  }
  release_molecule(mol);
}

}  // namespace ostrel
