// The kept three-centre integrals, with the pairs that did not fit computed directly, give
// the same projections and assemblies as the direct evaluation, follow a change of geometry,
// and are only kept in a reserved record.
#include <cmath>
#include <optional>

#include "integrals/basis_adapter.hpp"
#include "integrals/fit_cache.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

// The water with both bases, loaded as the integral code sees them.
class FitCache : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::read_water_with_fit_sets();
    mol = load_molecule(0, "Molecule");
    orb_basis = load_basis(0, "Basis", mol);
    aux_basis = load_basis(0, "Basis2", mol);
    orb.emplace(orb_basis, mol);
    aux.emplace(aux_basis, mol);
  }
  void TearDown() override {  // pool blocks go back in reverse order
    aux.reset();
    orb.reset();
    release_basis(aux_basis);
    release_basis(orb_basis);
    release_molecule(mol);
    RuntimeTest::TearDown();
  }
  Molecule mol{};
  Basis orb_basis{}, aux_basis{};
  std::optional<BasisViews> orb, aux;
};

// Two symmetric "densities" with no structure the integrals could hide behind.
std::vector<double> densities(long n2, int nd) {
  std::vector<double> d(n2 * nd);
  for (long k = 0; k < n2 * nd; ++k) d[k] = std::sin(0.7 * k + 0.3) / (1.0 + 0.01 * k);
  return d;
}

// Largest difference between the kept and the direct projection and assembly; infinite when
// nothing was kept.
double compare(const AtomSet& orb, const AtomSet& aux, const double* xyz, const FitPairs& all = {}) {
  const int n = orb.first_function[orb.natom], m = aux.first_function[aux.natom], nd = 2;
  const long n2 = packed_size(n);
  const std::vector<double> d = densities(n2, nd);
  std::vector<double> g1(nd * m, 0.0), g2(nd * m, 0.0), c(nd * m), j1(nd * n2, 0.0), j2(nd * n2, 0.0);
  for (int k = 0; k < nd * m; ++k) c[k] = std::cos(0.37 * k);
  std::vector<int> rest(orb.natom * orb.natom);
  if (!fit_cache_prepare(orb, aux, xyz, all, 1e-10, rest.data())) return HUGE_VAL;
  const FitPairs direct{all.atoms, all.count, rest.data()};
  fit_cache_projection(orb, m, all, 1e-10, nd, d.data(), g1.data());
  fit_projection(Interaction::coulomb, orb, aux, direct, 1e-10, nd, d.data(), g1.data());
  fit_projection(Interaction::coulomb, orb, aux, all, 1e-10, nd, d.data(), g2.data());
  fit_cache_assembly(orb, m, all, 1e-10, nd, c.data(), j1.data());
  fit_assembly(Interaction::coulomb, orb, aux, direct, 1e-10, nd, c.data(), j1.data());
  fit_assembly(Interaction::coulomb, orb, aux, all, 1e-10, nd, c.data(), j2.data());
  double worst = 0.0;
  for (int k = 0; k < nd * m; ++k) worst = std::max(worst, std::abs(g1[k] - g2[k]) / (1.0 + std::abs(g2[k])));
  for (long k = 0; k < nd * n2; ++k) worst = std::max(worst, std::abs(j1[k] - j2[k]) / (1.0 + std::abs(j2[k])));
  return worst;
}

TEST_F(FitCache, KeptIntegralsMatchTheDirectOnesAndFollowTheGeometry) {
  EXPECT_EQ(compare(orb->atoms, aux->atoms, mol.xyz), HUGE_VAL);  // nothing is kept before the record is reserved
  fit_cache_reserve(orb->atoms, aux->atoms.first_function[aux->atoms.natom], 1e-10);
  EXPECT_LT(compare(orb->atoms, aux->atoms, mol.xyz), 1e-12);
  EXPECT_TRUE(store_exists("ri.B"));
  // A second call at the same geometry reuses the record (same results).
  EXPECT_LT(compare(orb->atoms, aux->atoms, mol.xyz), 1e-12);
  // Move a hydrogen: the views point at the molecule's coordinates, so the
  // integrals change and must be rebuilt in place.
  const std::int64_t size = store_size("ri.B");
  mol.xyz[3] += 0.2;
  mol.xyz[7] -= 0.1;
  EXPECT_LT(compare(orb->atoms, aux->atoms, mol.xyz), 1e-12);
  EXPECT_EQ(store_size("ri.B"), size);
}

TEST_F(FitCache, ANodesShareOfThePairsIsKeptAlone) {
  fit_cache_reserve(orb->atoms, aux->atoms.first_function[aux->atoms.natom], 1e-10);
  // The pairs of the second hydrogen only, as a node would own them.
  const int own[1] = {2};
  const int lists[9] = {-1, -1, -1, -1, -1, -1, 0, 2, -1};
  EXPECT_LT(compare(orb->atoms, aux->atoms, mol.xyz, FitPairs{own, 1, lists}), 1e-12);
}

TEST_F(FitCache, PairsThatDoNotFitAreComputedDirectly) {
  const int m = aux->atoms.first_function[aux->atoms.natom];
  fit_cache_reserve(orb->atoms, m, 1e-10);
  const std::int64_t full = store_size("ri.B");
  store_free("ri.B");
  // Fill the store until half its free space holds about half the integrals.
  int peak_kb = 0, written_kb = 0, read_kb = 0;
  store_usage(&peak_kb, &written_kb, &read_kb);
  const std::int64_t end = 1024 * std::int64_t{peak_kb} - full;
  store_alloc("filler", (std::int64_t{64} << 20) - full - end);
  const std::string out = testing::captured_stdout([&] { fit_cache_reserve(orb->atoms, m, 1e-10); });
  EXPECT_NE(out.find("the rest recomputed every iteration; $system disk=1 (or disk=-"), std::string::npos) << out;
  ASSERT_TRUE(store_exists("ri.B"));
  EXPECT_LT(store_size("ri.B"), full * 2 / 3);
  EXPECT_LT(compare(orb->atoms, aux->atoms, mol.xyz), 1e-12);
}

}  // namespace
}  // namespace ostrel
