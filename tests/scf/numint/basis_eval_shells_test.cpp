#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/basis_input.hpp"
#include "model/basis_record.hpp"
#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "scf/numint/basis_eval.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/grid/lebedev.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

// Water of the RI-J reference set (angstrom).
const char* kWater =
    "$molecule cartesian\n 8 0.0 0.0 0.0\n 1 0.0 0.75695 -0.585882\n 1 0.0 -0.75695 -0.585882\n$end\n";

class BasisEvalShells : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::with_stdin(kWater, [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
    const std::string lib = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";
    ::testing::internal::CaptureStdout();
    read_basis(lib.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    ::testing::internal::GetCapturedStdout();
  }
};

// The functions of each atom integrated on a one-centre grid around that atom: the atom's
// overlap block must be the unit matrix (the functions are normalised, and functions of
// one atom with different L or components are orthogonal).
TEST_F(BasisEvalShells, Def2SvpWaterFunctionsAreNormalisedOnAGrid) {
  Molecule mol = load_molecule(1, "Molecule");
  Basis basis = load_basis(1, "Basis", mol);
  BasisShells view = basis_shells(basis);
  ASSERT_EQ(view.set.n_functions, 24);
  ASSERT_EQ(view.set.n_shells, basis.n_shells);
  EXPECT_EQ(view.set.atom_first_shell[3], basis.n_shells);
  std::vector<double> extent2(view.set.n_shells), atom_extent2(3);
  shell_set_extents(view.set, 1e-14, extent2.data(), atom_extent2.data());

  const int nleb = 110, nrad = 400;
  std::vector<double> leb(3 * nleb), lw(nleb);
  ASSERT_EQ(lebedev_points(nleb, leb.data(), lw.data()), nleb);
  const int nf = basis.n_functions;
  std::vector<int> function(nf);
  std::vector<double> values(nf);
  for (int a = 0; a < 3; ++a) {
    const int f0 = basis.atom_first_function[a], na = basis.atom_first_function[a + 1] - f0;
    std::vector<double> s(na * na, 0.0);
    const double* c = mol.xyz + 3 * a;
    for (int r = 0; r < nrad; ++r) {
      const RadialPoint rp = radial_point(nrad, r, 5.0);
      for (int p = 0; p < nleb; ++p) {
        const double point[3] = {c[0] + rp.r * leb[3 * p], c[1] + rp.r * leb[3 * p + 1],
                                 c[2] + rp.r * leb[3 * p + 2]};
        const double w = 4.0 * M_PI * rp.r * rp.r * rp.w * lw[p];
        const int n = basis_eval_point(view.set, extent2.data(), point, &a, 1, 0, function.data(),
                                       values.data(), nf, nullptr);
        for (int i = 0; i < n; ++i) {
          ASSERT_GE(function[i], f0);
          ASSERT_LT(function[i], f0 + na);
          for (int j = 0; j < n; ++j)
            s[(function[i] - f0) * na + function[j] - f0] += w * values[i] * values[j];
        }
      }
    }
    for (int i = 0; i < na; ++i) EXPECT_NEAR(s[i * na + i], 1.0, 1e-6) << "atom " << a << " function " << i;
    // s and p (or d) functions of one atom never overlap
    for (int i = 0; i < na; ++i)
      for (int j = 0; j < na; ++j) {
        int li = -1, lj = -1;
        for (int k = basis.atom_first_shell[a]; k < basis.atom_first_shell[a + 1]; ++k) {
          if (f0 + i >= basis.shell_first_function[k] && f0 + i < basis.shell_first_function[k + 1]) li = basis.shells[k].l;
          if (f0 + j >= basis.shell_first_function[k] && f0 + j < basis.shell_first_function[k + 1]) lj = basis.shells[k].l;
        }
        if (li != lj) {
          EXPECT_NEAR(s[i * na + j], 0.0, 1e-8);
        }
      }
  }
  release_basis_shells(view);
  release_basis(basis);
  release_molecule(mol);
}

}  // namespace
}  // namespace ostrel
