// One-electron matrices with f functions: water and hydrogen bromide in def2-TZVP read from
// the shipped library, against Psi4 1.3.2 (MintsHelper, def2-TZVP, puream, no core
// potentials; numbers printed by tools/one_electron_tzvp_reference.py). Selected elements
// pin the f function order m = 0, +1, -1, +2, -2, +3, -3; the eigenvalues of
// S^-1/2 T S^-1/2 check every element at once, independent of order and phase.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "integrals/one_electron_driver.hpp"
#include "integrals/one_electron_matrices.hpp"
#include "linalg/eigen_symmetric.hpp"
#include "model/basis_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

const std::string kTzvp = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2-tzvp";

// Coordinates in bohr as Psi4 converts the angstrom input.
const char* kWater =
    "$molecule units=b cartesian\n 8 0 0 0\n 1 0 1.4304281906653031 -1.1071565218354833\n"
    " 1 0 -1.4304281906653031 -1.1071565218354833\n$end\n";
const char* kHBr = "$molecule units=b cartesian\n 1 0 0 0\n 35 0 0 2.6645138368955377\n$end\n";

constexpr double kTolerance = 1e-10;

struct Element {
  int i, j;
  double s, t, v, h;
};

struct Reference {
  const char* molecule;
  int n;
  double nuclear, trace_s, trace_t, trace_v, trace_h;
  std::vector<Element> elements;
  std::vector<double> kinetic_levels;  // ascending eigenvalues of S^-1/2 T S^-1/2
};

double at(const std::vector<double>& m, int i, int j) {
  return i >= j ? m[i * (i + 1) / 2 + j] : m[j * (j + 1) / 2 + i];
}
double trace(const std::vector<double>& m, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += at(m, i, i);
  return sum;
}

// Ascending eigenvalues of S^-1/2 T S^-1/2 (symmetric orthogonalisation).
std::vector<double> kinetic_levels(std::vector<double> s, const std::vector<double>& t, int n) {
  std::vector<double> u(static_cast<size_t>(n) * n), w(n);
  eigen_symmetric(s.data(), u.data(), w.data(), n);
  std::vector<double> x(static_cast<size_t>(n) * n, 0.0);
  for (int k = 0; k < n; ++k) {
    const double f = 1.0 / std::sqrt(w[k]);
    const double* v = &u[static_cast<size_t>(k) * n];
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) x[i * n + j] += f * v[i] * v[j];
  }
  std::vector<double> tx(static_cast<size_t>(n) * n, 0.0), a(packed_size(n));
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k)
      for (int j = 0; j < n; ++j) tx[i * n + j] += at(t, i, k) * x[k * n + j];
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double sum = 0.0;
      for (int k = 0; k < n; ++k) sum += x[i * n + k] * tx[k * n + j];
      a[i * (i + 1) / 2 + j] = sum;
    }
  std::vector<double> levels(n);
  eigen_symmetric(a.data(), u.data(), levels.data(), n);
  return levels;
}

class OneElectronTzvp : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    timer_clear();
  }
  void check(const Reference& ref) {
    testing::with_stdin(ref.molecule, [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
    ::testing::internal::CaptureStdout();
    read_basis(kTzvp.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    ::testing::internal::GetCapturedStdout();
    const int n = store_get<int>("Nbasis");
    ASSERT_EQ(n, ref.n);
    OneElectronRecords r;
    r.moments = nullptr;
    const double zero[3] = {0.0, 0.0, 0.0};
    double energy = 0.0;
    ::testing::internal::CaptureStdout();
    one_electron_integrals(r, &energy, zero, nullptr, 0, 1e-12);
    ::testing::internal::GetCapturedStdout();
    EXPECT_NEAR(energy, ref.nuclear, 1e-12);
    std::vector<double> s(packed_size(n)), t(s.size()), h(s.size()), v(s.size());
    store_read("S", 0, s.data(), sizeof(double) * s.size());
    store_read("T", 0, t.data(), sizeof(double) * t.size());
    store_read("H", 0, h.data(), sizeof(double) * h.size());
    for (size_t k = 0; k < h.size(); ++k) v[k] = h[k] - t[k];
    EXPECT_NEAR(trace(s, n), ref.trace_s, kTolerance);
    EXPECT_NEAR(trace(t, n), ref.trace_t, kTolerance);
    EXPECT_NEAR(trace(v, n), ref.trace_v, kTolerance);
    EXPECT_NEAR(trace(h, n), ref.trace_h, kTolerance);
    for (const Element& e : ref.elements) {
      EXPECT_NEAR(at(s, e.i, e.j), e.s, kTolerance) << e.i << " " << e.j;
      EXPECT_NEAR(at(t, e.i, e.j), e.t, kTolerance) << e.i << " " << e.j;
      EXPECT_NEAR(at(v, e.i, e.j), e.v, kTolerance) << e.i << " " << e.j;
      EXPECT_NEAR(at(h, e.i, e.j), e.h, kTolerance) << e.i << " " << e.j;
    }
    const std::vector<double> levels = kinetic_levels(s, t, n);
    ASSERT_EQ(levels.size(), ref.kinetic_levels.size());
    for (int k = 0; k < n; ++k) EXPECT_NEAR(levels[k], ref.kinetic_levels[k], kTolerance) << k;
  }
};

// O 5s3p2d1f (f = 24..30), each H 3s1p.
TEST_F(OneElectronTzvp, WaterMatchesPsi4) {
  check({kWater,
         43,
         9.1949689574347975,
         43.0,
         231.16391856479942,
         -464.66929787537742,
         -233.50537931057801,
         {{0, 0, 0.99999999999999989, 76.978283804844338, -99.580496733902535, -22.602212929058197},
          {24, 24, 0.99999999999999989, 6.4259999999999966, -8.0702343481690697, -1.6442343481690731},
          {25, 25, 0.99999999999999978, 6.4259999999999975, -7.9977496125611056, -1.5717496125611081},
          {27, 24, 0, 0, -0.10351281809144597, -0.10351281809144597},
          {28, 28, 1.0000000000000002, 6.4259999999999975, -8.0690428558462308, -1.6430428558462333},
          {30, 26, 0, 0, -0.011438523780608501, -0.011438523780608501},
          {31, 24, 0.080776470200779077, 0.23234022847714841, -0.63880381734787084, -0.40646358887072243},
          {34, 25, 0, 0, 0, 0},
          {36, 30, -0.046718659961029446, -0.023731011207000496, 0.25996213387645073, 0.23623112266945023},
          {40, 27, 0.032621841516949773, 0.25801651464942232, -0.33216546690065546, -0.074148952251233136},
          {42, 29, 0, 0, 0, 0},
          {29, 16, 0, 0, 0, 0},
          {26, 8, 0, 0, 0, 0},
          {42, 0, 0.028335892206515067, -0.0026681890548926408, -1.6876898129543771, -1.6903580020092699}},
         {0.11016577471938555, 0.2044750897847494, 0.35195014529094382, 0.39945138834282556,
          0.49625610184781904, 0.55813805324702526, 0.85400874009870908, 0.88110429143578017,
          1.3111370846642509,  1.7050204790861803, 1.7611525718697956,  1.9202020298868803,
          1.9532472518746999,  1.95546584826536,   2.0460951033556034,  2.4481232175219119,
          2.4836052246303146,  2.5528347716289685, 2.7872519571811649,  2.8143472967932643,
          2.9888594061702003,  3.1259987475406481, 3.2026197827519582,  3.8452656386572119,
          4.9695660863715361,  5.2670127895945216, 6.4259999999999993,  6.556668516510304,
          6.75258399406483,    6.8545063850845223, 6.8563894049004643,  7.6992026138526972,
          8.0539619696385802,  8.6667575701013231, 9.259760279915378,   9.423846690875374,
          9.4375493874822567,  9.481526902778489,  9.6033585263736008,  9.7045098262028286,
          10.318702104388947,  18.851629796589329, 126.05107684032274}});
}

// H 3s1p (0..5), Br 6s5p4d1f (f = 47..53) on the z axis.
TEST_F(OneElectronTzvp, HydrogenBromideMatchesPsi4) {
  check({kHBr,
         54,
         13.135604520177305,
         53.999999999999986,
         1218.2095930437113,
         -3855.0028887241033,
         -2636.7932956803929,
         {{0, 0, 0.99999999999999978, 2.3149145241782998, -15.251467722605842, -12.936553198427543},
          {47, 47, 0.99999999999999956, 2.5687490399999993, -19.760029195310384, -17.191280155310384},
          {47, 2, -0.019814303111174658, -0.013424854229267619, 0.39643737676233215, 0.3830125225330645},
          {48, 4, 0.31659648323394113, 0.45032603759322426, -5.2599504160253217, -4.8096243784320976},
          {49, 5, 0.31659648323394113, 0.45032603759322426, -5.2599504160253217, -4.8096243784320976},
          {48, 13, 0, 6.9388939039072284e-18, -7.0795077072444146e-06, -7.0795077072374757e-06},
          {47, 27, -1.0848483447250494e-16, -3.1303603694733882e-16, 0.0085062238893831316, 0.0085062238893828194},
          {50, 50, 0.99999999999999944, 2.5687490399999993, -19.643773586554573, -17.075024546554573},
          {53, 53, 0.99999999999999967, 2.5687490399999993, -19.607931368143174, -17.039182328143173},
          {51, 47, 0, 0, 0, 0},
          {52, 32, 0, 0, 0, 0},
          {53, 0, 0, 0, 0, 0},
          {46, 3, 0, 0, 0, 0},
          {30, 1, 0, 0, 0, 0}},
         {0.11624899223163866, 0.21624018627103375, 0.22118371337107207, 0.2211837133710827,
          0.37211519663983034, 0.6860679747720293,  0.68606797477203341, 0.68671784118841839,
          0.68671784118842083, 0.7127493177084131,  0.81484237232510537, 0.86602776884841137,
          0.86602776884842692, 1.0816905232286789,  1.2217380200648031,  2.0968835500929894,
          2.0968835500930201,  2.2198706084149142,  2.2450075305305424,  2.2450075305305512,
          2.2586563708074578,  2.2586563708074681,  2.5640899705579372,  2.5687490399999988,
          2.5687490400000024,  2.5687490400000037,  2.5687490400000046,  2.6311054436971455,
          2.6311054436971633,  2.827534049972281,   2.9696029918800431,  2.9696029918800577,
          3.5333765490969169,  4.2602786191642359,  4.4402441214940467,  5.717852176221152,
          5.7178521762212133,  5.7216934166420552,  5.721693416642081,   5.9598337487862389,
          13.019711918568898,  13.019711918568959,  13.077196882386886,  13.803211011363439,
          31.33092780786512,   31.330927807865127,  31.333897139863652,  31.333897139863723,
          31.535214545200752,  50.533885402695176,  137.64519490786677,  137.64519490786694,
          137.72347226144788,  717.41105071630886}});
}

}  // namespace
}  // namespace ostrel
