#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "input/element_table.hpp"
#include "model/basis_input.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/store.hpp"
#include "scf/atomic_calculations.hpp"
#include "scf/xc_functional.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

const std::string kDef2 = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";

class Guess : public testing::RuntimeTest {
 protected:
  // A molecule (lines "Z x y z" in angstrom) in def2-SVP with its fitting set, the element
  // table and a functional; core potentials when `ecp`.
  void prepare(const std::string& atoms, const char* functional, bool ecp = false, int charge = 0,
               int multiplicity = 1) {
    char head[96];
    std::snprintf(head, sizeof head, "$molecule cartesian\n charge=%d mult=%d\n set=def2-SVP\n", charge,
                  multiplicity);
    const std::string text = std::string(head) + atoms + "$end\n";
    testing::with_stdin(text, [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
    ::testing::internal::CaptureStdout();
    if (ecp) read_core_potentials(kDef2.c_str());
    if (!store_exists("Necp")) {
      const int none[2] = {0, 0};
      store_write("Necp", 0, none, 8);
    }
    read_basis(kDef2.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    read_basis(kDef2.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, 1);
    testing::InputFile none("");
    build_element_table("Atoms", none.get());
    ::testing::internal::GetCapturedStdout();
    const double p[32] = {};
    const std::int32_t n[5] = {};
    XcFunctional f = xc_cleared(p, n);
    ASSERT_TRUE(xc_lookup(functional, f));
    xc_store_write(f);
  }
  std::string atoms() {
    ::testing::internal::CaptureStdout();
    atomic_calculations();
    return ::testing::internal::GetCapturedStdout();
  }
  static std::vector<double> doubles(const char* name) {
    std::vector<double> v(static_cast<std::size_t>(store_size(name)) / 8);
    store_get_array<double>(name, std::span<double>(v));
    return v;
  }
  static std::vector<int> ints(const char* name) {
    std::vector<int> v(static_cast<std::size_t>(store_size(name)) / 4);
    store_get_array<int>(name, std::span<int>(v));
    return v;
  }
};

// Closed-shell atoms are spherical as they stand, so the spherically averaged solution is the
// ordinary restricted Kohn-Sham one. References: Psi4 1.x, RKS, def2-SVP (spherical), exact
// Coulomb (scf_type pk), 300 radial x 590 spherical grid points, e_convergence 1e-11.
struct AtomReference {
  const char* line;
  const char* functional;
  double energy;
  double first_orbital;
};
const AtomReference kClosedShells[] = {
    {" 2 0 0 0\n", "PBE", -2.8844641572071295, -0.565160907637082},
    {" 2 0 0 0\n", "BLYP", -2.8978531635557045, -0.5691955732961204},
    {" 4 0 0 0\n", "PBE", -14.611770811109055, -3.89756193409771},
    {" 10 0 0 0\n", "PBE", -128.68786704256934, -30.46002075232375},
    {" 10 0 0 0\n", "BLYP", -128.78981390108802, -30.49685844234245},
    {" 12 0 0 0\n", "BLYP", -200.0066777544361, -46.28236504155382},
    {" 18 0 0 0\n", "PBE", -527.1415270419084, -114.11497432417177},
};

TEST_F(Guess, ClosedShellAtomsMatchRestrictedKohnSham) {
  for (const AtomReference& r : kClosedShells) {
    SCOPED_TRACE(std::string(r.line) + r.functional);
    prepare(r.line, r.functional);
    const std::string out = atoms();
    EXPECT_EQ(out.find("converge"), std::string::npos) << out;
    const std::vector<double> e = doubles(kAtomicTotalsRecord);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_NEAR(e[0], r.energy, 1e-7);
    EXPECT_NEAR(doubles(kAtomicEnergiesRecord)[0], r.first_orbital, 1e-7);
    store_close();
    SetUp();
  }
}

}  // namespace
}  // namespace ostrel
