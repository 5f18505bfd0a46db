#include <gtest/gtest.h>

#include <string>

#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

TEST(ModelLoaderMpi, EveryNodeReceivesTheMoleculeAndTheBasis) {
  // Only the master reads the input and holds the records.
  if (is_master) {
    testing::read_test_molecule("$molecule charge=1 mult=2 ca\n set=def2-TZVP\n 8 0 0 0.12\n"
                                " 1 0 0.76 -0.47 type=HW\n 1 0 -0.76 -0.47\n$end\n");
    testing::read_program_basis(testing::basis_library("def2"));
  }
  Molecule m = load_molecule(1, "Molecule");
  EXPECT_EQ(m.n_atoms, 3);
  EXPECT_EQ(m.n_alpha, 5);
  EXPECT_EQ(m.n_beta, 4);
  EXPECT_EQ(m.z[0], 8);
  EXPECT_DOUBLE_EQ(m.xyz[4], 0.76 * 1.8897259885789233);
  EXPECT_STREQ(m.type_name(1), "HW");
  EXPECT_STREQ(m.set_name(2), "def2-TZVP");
  Basis b = load_basis(1, "Basis", m);
  // def2-TZVP: O 5s3p2d1f (31 functions), H 3s1p (6 functions).
  EXPECT_EQ(b.n_functions, 43);
  EXPECT_EQ(b.atom_first_function[1], 31);
  EXPECT_EQ(b.shells[b.n_shells - 1].position, m.xyz + 6);
  EXPECT_EQ(b.kind[2].n_functions, 6);
  release_basis(b);
  release_molecule(m);
}

}  // namespace
}  // namespace ostrel
