// Views of the loaded basis and core potentials: the atom-pair and the shell-by-shell
// paths must see the same functions, and the potentials must carry the library's terms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "integrals/basis_adapter.hpp"
#include "integrals/one_electron_kernels.hpp"
#include "model/basis_input.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/store.hpp"
#include "support/model_input.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

const std::string kDef2 = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";

class BasisAdapter : public testing::RuntimeTest {
 protected:
  void read(const char* molecule, bool ecp) {
    testing::read_test_molecule(molecule);
    if (ecp) testing::captured_stdout([] { read_core_potentials(kDef2.c_str()); });
    testing::read_program_basis(kDef2);
  }
};

TEST_F(BasisAdapter, AtomPairsAndShellPairsGiveTheSameOverlap) {
  read("$molecule cartesian\n set=def2-SVP\n 8 0 0 0.1173\n 1 0 0.7572 -0.4692\n 1 0 -0.7572 -0.4692\n$end\n",
       false);
  Molecule mol = load_molecule(0, "Molecule");
  Basis basis = load_basis(0, "Basis", mol);
  {
    BasisViews v(basis, mol);
    ASSERT_EQ(v.atoms.natom, 3);
    ASSERT_EQ(v.atoms.first_function[3], 24);
    ASSERT_EQ(v.shells.nbf, 24);
    EXPECT_EQ(v.atoms.atoms[1].centre, mol.xyz + 3);
    EXPECT_EQ(v.shells.atom[v.shells.nshell - 1], 2);
    const int n = 24;
    std::vector<double> by_atoms(n * (n + 1) / 2, 0.0), by_shells(n * (n + 1) / 2, 0.0);
    add_packed_matrices(PairOperator::overlap, v.atoms, 0.0, {}, 0, 1, by_atoms.data());
    std::vector<double> block(81);
    for (int a = 0; a < v.shells.nshell; ++a)
      for (int b = 0; b <= a; ++b) {
        const Shell& sa = v.shells.shells[a];
        const Shell& sb = v.shells.shells[b];
        overlap_shell_pair(sb, sa, block.data());
        const int na = shell_size(sa.l), nb = shell_size(sb.l);
        for (int j = 0; j < na; ++j)
          for (int i = 0; i < nb; ++i) {
            const int row = v.shells.first_function[a] + j, col = v.shells.first_function[b] + i;
            if (col <= row) by_shells[row * (row + 1) / 2 + col] = block[i * na + j];
          }
      }
    for (int i = 0; i < n * (n + 1) / 2; ++i) EXPECT_NEAR(by_atoms[i], by_shells[i], 1e-14) << i;
    for (int i = 0; i < n; ++i) EXPECT_NEAR(by_atoms[i * (i + 1) / 2 + i], 1.0, 1e-12) << i;  // normalised
  }
  release_basis(basis);
  release_molecule(mol);
}

TEST_F(BasisAdapter, IodineCarriesTheLibraryPotential) {
  read("$molecule cartesian\n set=def2-SVP\n 6 0 0 0\n 53 0 0 2.14\n 1 1.03 0 -0.36\n 1 -0.51 0.89 -0.36\n"
       " 1 -0.51 -0.89 -0.36\n$end\n",
       true);
  Molecule mol = load_molecule(0, "Molecule");
  std::vector<EcpBlock> blocks(mol.n_atoms);
  store_read("ECP", 0, blocks.data(), sizeof(EcpBlock) * mol.n_atoms);
  {
    PotentialViews p(blocks.data(), mol);
    ASSERT_EQ(p.potentials.count, 1);
    EXPECT_EQ(p.potentials.atom[0], 1);
    const CorePotential& u = p.potentials.potentials[0];
    EXPECT_EQ(u.centre, mol.xyz + 3);
    EXPECT_EQ(u.lmax, 4);
    EXPECT_EQ(u.nlocal, 0);
    EXPECT_EQ(u.nsemi[0], 3);
    EXPECT_EQ(u.nsemi[2], 6);
    EXPECT_EQ(u.semi[3][0].c, -21.84204);  // first f term of the library
    EXPECT_EQ(u.semi[3][0].a, 19.458609);
    EXPECT_EQ(u.semi[2][5].c, 0.05238);
  }
  // A block beyond its limits is refused rather than read out of bounds.
  blocks[1].n_semilocal[2] = 9;
  EXPECT_FATAL(PotentialViews(blocks.data(), mol), "exceeds its block");
  release_molecule(mol);
}

}  // namespace
}  // namespace ostrel
