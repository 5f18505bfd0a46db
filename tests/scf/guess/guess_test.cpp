#include <sys/stat.h>

#include "guess_fixture.hpp"
#include "input/task_dispatch.hpp"
#include "integrals/basis_adapter.hpp"
#include "integrals/coulomb_fit.hpp"
#include "scf/guess/guess_frame.hpp"
#include "scf/guess/vector_file.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

// C^T S C - I for the orbitals of `name` against the overlap of "Basis".
double orthonormality_error(const char* name) {
  const int n = store_get<int>("Nbasis");
  std::vector<double> s(static_cast<std::size_t>(n) * (n + 1) / 2);
  basis_overlap(s.data());
  return testing::orthonormality_error(n, testing::get_reals(name).data(), s.data());
}

// The guess stops with `message`.
void expect_guess_stop(const char* message) {
  testing::captured_stdout([&] { EXPECT_FATAL(initial_guess(), message); });
}

// Water with PBE.
class WaterGuess : public Guess {
 protected:
  void SetUp() override {
    Guess::SetUp();
    prepare(testing::kWaterAtoms, "PBE");
  }
};

TEST_F(WaterGuess, MinimalBasisGuessIsOrthonormalAndOrdered) {
  options(5, 5, 1);
  EXPECT_NE(guess().find("\n Initial Guess\n"), std::string::npos);
  EXPECT_EQ(store_get<double>("scf_Gmax"), 1.0);
  const int n = 24;
  for (const char* c : {"Ca", "Cb"}) EXPECT_LT(orthonormality_error(c), 1e-10) << c;
  // Minimal basis of water: O 1s, 2s, 2p and two H 1s; core O 1s.
  const std::vector<int> counts = testing::get_ints(kAtomicCountsRecord);
  EXPECT_EQ((std::vector<int>{counts[0], counts[1]}), (std::vector<int>{7, 1}));
  EXPECT_EQ(store_size("C_core"), 8L * n);
  // Energies ascend within the minimal block and stay above it beyond.
  const std::vector<double> e = testing::get_reals("ea");
  for (int k = 1; k < 7; ++k) EXPECT_LE(e[k - 1], e[k] + 1e-12);
  for (int k = 7; k < n; ++k) EXPECT_GT(e[k], e[6]);
  EXPECT_LT(e[4], 0.0);  // five bound occupied orbitals
}

TEST_F(WaterGuess, AtomicFitsCarryEachAtomsElectrons) {
  atoms();
  const testing::LoadedBasis fit("Basis2");
  const BasisViews views(fit.basis, fit.mol);
  const int m = fit.basis.n_functions;
  std::vector<double> moments(4 * static_cast<std::size_t>(m), 0.0);
  fit_moments(views.atoms, moments.data());
  const std::vector<double> d = testing::get_reals("atomic_d"), da = testing::get_reals("da"), db = testing::get_reals("db");
  ASSERT_EQ(d.size(), static_cast<std::size_t>(m));
  const double expected[3] = {8.0, 1.0, 1.0};
  for (int a = 0; a < 3; ++a) {
    double q = 0.0;
    for (int k = views.atoms.first_function[a]; k < views.atoms.first_function[a + 1]; ++k) q += d[k] * moments[k];
    EXPECT_NEAR(q, expected[a], 5e-3) << a;
  }
  for (int k = 0; k < m; ++k) EXPECT_TRUE(da[k] == 0.5 * d[k] && db[k] == 0.5 * d[k]) << k;
}

TEST_F(WaterGuess, MixTurnsHomoAndLumoOppositeWaysAndOrderListsPermute) {
  options(5, 5, 0);
  guess();
  const std::vector<double> plain = testing::get_reals("Ca"), pe = testing::get_reals("ea");
  store_put("guess.mix", 1);
  guess();
  const std::vector<double> a = testing::get_reals("Ca"), b = testing::get_reals("Cb");
  const int n = 24;
  const double cs = std::cos(0.25), sn = std::sin(0.25);
  for (int i = 0; i < n; ++i) {
    const double h = plain[4 * n + i], l = plain[5 * n + i];
    EXPECT_NEAR(a[4 * n + i], cs * h + sn * l, 1e-12);
    EXPECT_NEAR(a[5 * n + i], -sn * h + cs * l, 1e-12);
    EXPECT_NEAR(b[4 * n + i], cs * h - sn * l, 1e-12);
    EXPECT_NEAR(b[5 * n + i], sn * h + cs * l, 1e-12);
  }
  for (int i = 0; i < 4 * n; ++i) EXPECT_EQ(a[i], plain[i]);
  // An order list swapping HOMO and LUMO of one spin.
  store_put("guess.mix", 0);
  std::vector<int> order(2 * n);
  for (int i = 0; i < 2 * n; ++i) order[i] = i;
  std::swap(order[4], order[5]);
  store_write("guess_na", 0, order.data(), 8L * n);
  guess();
  const std::vector<double> pa = testing::get_reals("Ca"), ea = testing::get_reals("ea"), pb = testing::get_reals("Cb");
  EXPECT_EQ((std::vector<double>{ea[4], ea[5]}), (std::vector<double>{pe[5], pe[4]}));
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(pa[4 * n + i], plain[5 * n + i]);
    EXPECT_EQ(pb[4 * n + i], plain[4 * n + i]);
  }
  order[5] = order[4];  // named twice
  store_write("guess_nb", 0, order.data(), 8L * n);
  expect_guess_stop("named twice");
  order[5] = n;  // beyond the basis
  store_write("guess_nb", 0, order.data(), 8L * n);
  expect_guess_stop("is not one of 1..24");
}

TEST_F(WaterGuess, VectorFileRoundTripAndWrongSize) {
  const std::string file = ::testing::TempDir() + "guess_vectors.bin";
  std::remove(file.c_str());
  options(5, 5, 0, 0, 0, 0, "", file.c_str());
  guess();
  const std::vector<double> ca = testing::get_reals("Ca"), ea = testing::get_reals("ea"), cb = testing::get_reals("Cb"), eb = testing::get_reals("eb");
  save_vectors(file.c_str(), 24);
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 4 + 2 * 8 * (24 + 24 * 24));
  // Scramble the records, then read them back.
  for (const char* name : {"Ca", "Cb"}) testing::put_reals(name, std::vector<double>(24 * 24, 0.0));
  store_put("guess.read", 1);
  const std::string out = guess();
  EXPECT_NE(out.find("\n vectors from '" + file + "'\n"), std::string::npos) << out;
  EXPECT_TRUE(testing::get_reals("Ca") == ca && testing::get_reals("ea") == ea);
  EXPECT_TRUE(testing::get_reals("Cb") == cb && testing::get_reals("eb") == eb);
  EXPECT_EQ(store_get<double>("scf_Gmax"), 0.0);
  // Another basis size, a short file and a missing file all fail.
  EXPECT_EQ(read_vectors(file.c_str(), 25), 1);
  {
    std::FILE* f = std::fopen(file.c_str(), "r+b");
    const std::int32_t other = 23;
    std::fwrite(&other, 4, 1, f);
    std::fclose(f);
  }
  expect_guess_stop(" error...");
  save_vectors(file.c_str(), 24);
  ASSERT_EQ(truncate(file.c_str(), 4 + 8 * 24 + 100), 0);
  EXPECT_EQ(read_vectors(file.c_str(), 24), 1);
  std::remove(file.c_str());
  EXPECT_EQ(read_vectors(file.c_str(), 24), 1);
  // An empty name saves nothing.
  save_vectors("", 24);
  EXPECT_NE(stat(file.c_str(), &st), 0);
}

TEST_F(WaterGuess, PipekMezeyGivesTwoMirrorImageBonds) {
  options(5, 5, 1, 0, 1);
  const std::string out = guess();
  const std::size_t last = out.rfind("  tmax = ");
  ASSERT_NE(last, std::string::npos);
  EXPECT_LT(std::atof(out.c_str() + last + 9), 1e-6);
  EXPECT_LT(orthonormality_error("Ca"), 1e-10);
  // Mulliken populations of the occupied orbitals on O, H1, H2.
  const int n = 24;
  std::vector<double> s(n * (n + 1) / 2);
  basis_overlap(s.data());
  const std::vector<double> c = testing::get_reals("Ca");
  const int first[4] = {0, 14, 19, 24};
  double pop[5][3] = {};
  for (int k = 0; k < 5; ++k)
    for (int a = 0; a < 3; ++a)
      for (int i = first[a]; i < first[a + 1]; ++i)
        for (int j = 0; j < n; ++j)
          pop[k][a] += c[k * n + i] * c[k * n + j] * s[testing::sym_index(i, j)];
  // Two orbitals are O-H bonds, one to each hydrogen, with mirror-image populations.
  int bond1 = -1, bond2 = -1;
  for (int k = 0; k < 5; ++k) {
    if (pop[k][1] > 0.2) bond1 = k;
    if (pop[k][2] > 0.2) bond2 = k;
  }
  ASSERT_TRUE(bond1 >= 0 && bond2 >= 0 && bond1 != bond2);
  EXPECT_NEAR(pop[bond1][1], pop[bond2][2], 1e-6);
  EXPECT_NEAR(pop[bond1][2], pop[bond2][1], 1e-6);
  EXPECT_NEAR(pop[bond1][0], pop[bond2][0], 1e-6);
  // The others stay on oxygen.
  for (int k = 0; k < 5; ++k) EXPECT_TRUE(k == bond1 || k == bond2 || pop[k][0] > 0.9) << k;
}

// Vectors given over the minimal basis come back as the same orbitals: the minimal-basis
// guess written in the frame's minimal block (V = B^T S C) and read as the group "ce".
TEST_F(WaterGuess, ProjectedGuessRebuildsOrbitalsGivenInTheMinimalBasis) {
  options(5, 5, 1);
  guess();
  const int n = 24, m = 7;
  const std::vector<double> c0 = testing::get_reals("Ca"), e0 = testing::get_reals("ea");
  std::vector<double> frame(n * n), energies(n), s(n * n);
  ASSERT_EQ(minimal_frame(frame.data(), energies.data(), s.data(), n), m);
  std::vector<double> v(m * m);
  for (int k = 0; k < m; ++k)
    for (int j = 0; j < m; ++j) {
      double sum = 0.0;
      for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) sum += frame[j * n + a] * s[testing::sym_index(a, b)] * c0[k * n + b];
      v[k * m + j] = sum;
    }
  store_write("guess_Ca", 0, v.data(), 8 * m * m);
  store_write("guess_ea", 0, e0.data(), 8 * m);
  store_write("guess_Cb", 0, v.data(), 8 * m * m);
  store_write("guess_eb", 0, e0.data(), 8 * m);
  store_put("guess.read", -1);
  guess();
  const std::vector<double> c = testing::get_reals("Ca"), e = testing::get_reals("ea");
  EXPECT_EQ(std::vector<double>(e.begin(), e.begin() + m), std::vector<double>(e0.begin(), e0.begin() + m));
  EXPECT_LT(testing::max_difference(std::vector<double>(c.begin(), c.begin() + m * n), c0), 1e-10);
  EXPECT_LT(orthonormality_error("Ca"), 1e-10);
  EXPECT_EQ(testing::get_reals("Cb"), c);
  // Vectors of another size stop the run.
  for (const char* name : {"guess_eb", "guess_Cb", "guess_ea", "guess_Ca"}) store_free(name);  // stack order
  std::vector<double> small(4, 0.0);
  store_write("guess_Ca", 0, small.data(), 32);
  expect_guess_stop("n=2, but the minimal basis has 7 functions");
}

TEST_F(WaterGuess, GuessTaskRunsThroughTaskDispatch) {
  options(5, 5, 1);
  EXPECT_NE(testing::captured_stdout([] { run_task("GUESS"); }).find("\n Initial Guess\n"), std::string::npos);
  EXPECT_EQ(store_size("Ca"), 8 * 24 * 24);
  testing::captured_stdout([] { EXPECT_FATAL(run_task("FRAGMENT_GUESS"), "fragment guess is not available"); });
}

}  // namespace
}  // namespace ostrel
