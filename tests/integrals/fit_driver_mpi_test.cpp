// The fitted Coulomb steps over the store records, shared over the nodes of the run, agree
// with one process doing all the work.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "coulomb_psi4_reference_data.hpp"
#include "integrals/basis_adapter.hpp"
#include "integrals/coulomb_fit.hpp"
#include "integrals/fit_driver.hpp"
#include "model/basis_input.hpp"
#include "model/basis_record.hpp"
#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "support/input_file.hpp"
#include "support/records.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

using namespace psi4_coulomb;

std::vector<double> read_doubles(const char* name, long n) {
  std::vector<double> v(n);
  store_read(name, 0, v.data(), n * static_cast<long>(sizeof(double)));
  return v;
}

TEST(FitDriverNodes, StoreStepsOnSeveralNodesEqualOneProcess) {
  constexpr int n = 24, m = 71, n2 = n * (n + 1) / 2;
  // Only the master reads the input and holds the records.
  if (is_master) {
    testing::read_water_with_fit_sets();
    std::vector<double> da(n2), db(n2);
    for (int k = 0; k < n2; ++k) {
      const double shift = 0.02 * std::cos(0.37 * k);
      da[k] = 0.5 * kWaterDensity[k] + shift;
      db[k] = 0.5 * kWaterDensity[k] - shift;
    }
    testing::put_reals("Da", da);
    testing::put_reals("Db", db);
    testing::put_reals("D", std::vector<double>(kWaterDensity, kWaterDensity + n2));
  }

  if (is_master) ::testing::internal::CaptureStdout();
  fit_metric_step(1e-10);
  fit_setup_step(1e-10, true);
  const std::string out = is_master ? ::testing::internal::GetCapturedStdout() : std::string();
  if (is_master && node_count > 1) {
    EXPECT_NE(out.find("integrals on node  1\n"), std::string::npos) << out;
  }
  const char* densities[] = {"Da", "Db"};
  fit_projection_step(Interaction::coulomb, 1e-10, 2, densities, "ri.gamma");
  const double ej = fit_density_step(2, "ri.gamma");
  // every node gets the energy
  EXPECT_NEAR(ej, kWaterFittedCoulomb, 2e-9);
  const char* vectors[] = {"da", "db"};
  const char* fock[] = {"Fa", "Fb"};
  fit_assembly_step(1e-10, 2, vectors, fock, false);
  const double exact = exact_coulomb_step(1e-12, "D", "Jexact", false);
  EXPECT_NEAR(exact, kWaterExactCoulomb, 1e-8);
  double counts[2];
  fit_projection_step(Interaction::overlap, 1e-10, 2, densities, "ri.gammaS", counts);
  EXPECT_NEAR(counts[0] + counts[1], 10.0, 1e-7);

  if (is_master) {
    // One process: the same members over all atom pairs, on the master alone.
    Molecule mol = load_molecule(0, "Molecule");
    Basis orb_basis = load_basis(0, "Basis", mol);
    {
      BasisViews orb(orb_basis, mol);
      Basis aux_basis = load_basis(0, "Basis2", mol);
      {
        BasisViews aux(aux_basis, mol);
        std::vector<double> d(2 * n2);
        const std::vector<double> da = read_doubles("Da", n2), db = read_doubles("Db", n2);
        std::copy(da.begin(), da.end(), d.begin());
        std::copy(db.begin(), db.end(), d.begin() + n2);
        std::vector<double> gamma(2 * m, 0.0);
        fit_projection(Interaction::coulomb, orb.atoms, aux.atoms, FitPairs{}, 1e-10, 2, d.data(), gamma.data());
        const std::vector<double> stored = read_doubles("ri.gamma", 2 * m);
        for (int k = 0; k < 2 * m; ++k) EXPECT_NEAR(stored[k], gamma[k], 1e-12 * (1.0 + std::abs(gamma[k]))) << k;

        std::vector<double> c = read_doubles("da", m), cb = read_doubles("db", m);
        c.insert(c.end(), cb.begin(), cb.end());
        std::vector<double> j(2 * n2, 0.0);
        fit_assembly(Interaction::coulomb, orb.atoms, aux.atoms, FitPairs{}, 1e-10, 2, c.data(), j.data());
        const std::vector<double> fa = read_doubles("Fa", n2), fb = read_doubles("Fb", n2);
        for (int k = 0; k < n2; ++k) {
          EXPECT_NEAR(fa[k], j[k], 1e-12 * (1.0 + std::abs(j[k]))) << k;
          EXPECT_NEAR(fb[k], j[n2 + k], 1e-12 * (1.0 + std::abs(j[n2 + k]))) << k;
        }
      }
      release_basis(aux_basis);
    }
    release_basis(orb_basis);
    release_molecule(mol);
  }
}

}  // namespace
}  // namespace ostrel
