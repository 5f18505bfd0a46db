// The optimizer's loop on analytic surfaces: minima in both engines, constraints of every
// kind, a saddle point, restart, and the input checks.
#include "geometry/step_tools.hpp"
#include "model_surface.hpp"

namespace ostrel {
namespace {

using testing::optimize_on;
using testing::set_up_run;
using testing::Surface;

constexpr const char* kEthane =
    " 6 0 0 0.765\n 6 0 0 -0.765\n 1 1.02 0 1.125\n 1 -0.51 0.883346 1.125\n"
    " 1 -0.51 -0.883346 1.125\n 1 0.51 0.883346 -1.125\n 1 -1.02 0 -1.125\n 1 0.51 -0.883346 -1.125\n";
// Ethane twisted 35 degrees away from staggered and stretched.
constexpr const char* kTwistedEthane =
    " 6 0 0 0.765\n 6 0 0 -0.765\n 1 1.02 0 1.125\n 1 -0.51 0.883346 1.125\n"
    " 1 -0.51 -0.883346 1.125\n 1 0.924434 0.431071 -1.225\n 1 -0.835535 0.585048 -1.225\n"
    " 1 -0.088899 -1.016119 -1.225\n";
constexpr const char* kWaterStart = " 8 0 0 0.05\n 1 0 0.82 -0.5\n 1 0 -0.70 -0.45\n";
// HOOH at a torsion of 150 degrees.
constexpr const char* kPeroxide = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.796743 0.46\n";

class Optimize : public testing::RuntimeTest {
 protected:
  // Ethane-like: bonds and 1-3 pairs as Morse terms, a threefold barrier on the H-C-C-H
  // torsions (staggered minimum).
  Surface bonded(const char* reference) {
    Surface s = all_pairs(reference);
    s.pairs = {{0, 1}};
    for (int h = 2; h < 8; ++h) {
      const int c = h < 5 ? 0 : 1;
      s.pairs.push_back({c, h});
      s.pairs.push_back({1 - c, h});
      for (int o = h + 1; o < (c == 0 ? 5 : 8); ++o) s.pairs.push_back({h, o});
    }
    for (int a = 2; a < 5; ++a)
      for (int b = 5; b < 8; ++b) s.torsions.push_back({{3, a, 0, 1, b}, 0.0015, 3});
    return s;
  }
  // Every atom pair pulled to its distance in `reference`.
  Surface all_pairs(const char* reference) {
    set_up_run(reference, "");
    Surface s;
    s.reference = testing::current_geometry();
    const int n = static_cast<int>(s.reference.size() / 3);
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < a; ++b) s.pairs.push_back({a, b});
    store_clear();
    return s;
  }
  int run(const Surface& s, const char* start, const std::string& options, bool hessian = false,
          int limit = 1 << 30) {
    int n = 0;
    output_ = testing::captured_stdout([&] {
      set_up_run(start, "$optimize " + options + " $end\n");
      n = optimize_on(s, hessian, limit);
    });
    x_ = testing::current_geometry();
    return n;
  }
  double value(InternalCoordinate c) const { return coordinate_value(c, x_.data(), nullptr, nullptr); }
  double largest_distance_error(const Surface& s) const {
    double worst = 0;
    for (auto [a, b] : s.pairs) {
      const InternalCoordinate r{1, a, b, -1, -1};
      worst = std::max(worst, std::fabs(value(r) - coordinate_value(r, s.reference.data(), nullptr, nullptr)));
    }
    return worst;
  }
  std::string output_;
  std::vector<double> x_;
};

TEST_F(Optimize, BothEnginesReachTheMinimum) {
  const Surface water = all_pairs(testing::kWaterAtoms);
  for (const char* engine : {"cartesian=0", "cartesian=1"}) {
    run(water, kWaterStart, std::string(engine) + " tolerance=1e-6");
    EXPECT_NE(output_.find("OPTIMIZATION CONVERGED"), std::string::npos) << engine;
    EXPECT_LT(largest_distance_error(water), 1e-5) << engine;
    EXPECT_NE(output_.find("MOL> Energy ="), std::string::npos);
    store_clear();
  }
  const Surface ethane = bonded(kEthane);
  const int internal = run(ethane, kTwistedEthane, "tolerance=1e-6");
  EXPECT_LT(largest_distance_error(ethane), 1e-5);
  store_clear();
  const int cartesian = run(ethane, kTwistedEthane, "cartesian=1 tolerance=1e-6");
  EXPECT_LT(largest_distance_error(ethane), 1e-5);
  // A surface made of pair terms and one torsion barrier is where cartesian steps do as
  // well; the molecules of bench/optimize_steps.sh show the difference.
  EXPECT_LE(internal, cartesian + 1);
  std::printf("ethane on the model surface: %d gradients internal, %d cartesian\n", internal, cartesian);
}

TEST_F(Optimize, ConstraintsOfEveryKindHoldAtConvergence) {
  const Surface ethane = all_pairs(kEthane);
  // A stretch and a bend at given values, a torsion held where it starts (-1000).
  const InternalCoordinate r{1, 0, 1, -1, -1}, a{2, 2, 0, 1, -1}, t{3, 2, 0, 1, 5};
  set_up_run(kTwistedEthane, "");
  x_ = testing::current_geometry();
  const double t0 = value(t);
  store_clear();
  run(ethane, kTwistedEthane,
      "fix=1,1,2,0,0, 2,3,1,2,0, 3,3,1,2,6 value=1.60,115.0,-1000, 1.7,-1000,-1000 tolerance=1e-6");
  EXPECT_NE(output_.find("OPTIMIZATION CONVERGED"), std::string::npos);
  EXPECT_NE(output_.find(" constrained variable: type=1 i=  1 j=  2 k=  0 l=  0, value=    1.600000,     1.700000"),
            std::string::npos);
  EXPECT_NEAR(value(r), 1.60 * kBohrPerAngstrom, 1e-6);
  EXPECT_NEAR(value(a), 115.0 * kRadiansPerDegree, 1e-6);
  EXPECT_NEAR(value(t), t0, 1e-6);
  store_clear();
  // The same stretch twice leaves no direction for the second.
  EXPECT_FATAL(run(ethane, kTwistedEthane, "fix=1,1,2,0,0, 1,2,1,0,0"), "Constraints are not independent!");
}

TEST_F(Optimize, SaddleSearchEndsWithOneNegativeCurvature) {
  Surface s;
  set_up_run(kPeroxide, "");
  s.reference = testing::current_geometry();
  store_clear();
  s.pairs = {{0, 1}, {0, 2}, {1, 3}, {1, 2}, {0, 3}};
  s.torsions = {{{3, 2, 0, 1, 3}, 0.005, 2}};  // minima at 90 degrees, barriers at 0 and 180
  run(s, kPeroxide, "saddle=1 tolerance=1e-6", true);
  EXPECT_NE(output_.find("OPTIMIZATION CONVERGED"), std::string::npos) << output_;
  EXPECT_NEAR(std::fabs(value(s.torsions[0].c)), M_PI, 1e-5);
  // Finite-difference Hessian without translations and rotations: one negative mode.
  const int m = 12;
  std::vector<double> h(m * (m + 1) / 2), t(6 * m), v(m * m), e(m);
  s.hessian(x_.data(), h.data());
  const int nt = translation_rotation_vectors(4, x_.data(), t.data());
  for (int k = 0; k < nt; ++k)
    for (int p = 0; p < m; ++p)
      for (int q = 0; q <= p; ++q) h[packed_index(p, q)] += 10.0 * t[k * m + p] * t[k * m + q];
  eigen_local(h.data(), v.data(), e.data(), m);
  EXPECT_LT(e[0], -1e-3);
  EXPECT_GT(e[1], 1e-4);
}

TEST_F(Optimize, RestartFromTheStoredHessianContinuesTheWork) {
  const Surface ethane = bonded(kEthane);
  const int whole = run(ethane, kTwistedEthane, "tolerance=1e-6");
  store_clear();
  // Stopped after four gradients, then continued from the stored Hessian and gradient.
  const int first = run(ethane, kTwistedEthane, "tolerance=1e-6", false, 4);
  record_put(rec::haveE, ResultsGiven{1, 1, -1});
  int second = 0;
  output_ = testing::captured_stdout([&] { second = optimize_on(ethane); });
  x_ = testing::current_geometry();
  EXPECT_NE(output_.find("OPTIMIZATION CONVERGED"), std::string::npos);
  EXPECT_LT(largest_distance_error(ethane), 1e-5);
  // Without the update history the continued path differs by a step or two; losing the
  // Hessian would cost about as many as a new run. (Updates that measured the older stored
  // pair against another gradient term than the model held took 4 + 20 against 17.)
  EXPECT_LE(first + second, whole + 3);
  std::printf("restart: %d + %d gradients, %d uninterrupted\n", first, second, whole);
}

// One stretch, no bends: the metric has a single nonzero eigenvalue among exact zeros.
TEST_F(Optimize, DiatomicHasOneVariable) {
  const Surface hf = all_pairs(" 9 0 0 0\n 1 0 0 0.92\n");
  run(hf, " 9 0 0 0\n 1 0 0 0.9697\n", "tolerance=1e-6");
  EXPECT_NE(output_.find("   1 independent variables"), std::string::npos);
  EXPECT_LT(largest_distance_error(hf), 1e-6);
}

// A linear molecule that starts bent: its linear bends take their frame from the axes in
// space, so the molecule must not be turned to reach them (it stepped back and forth).
TEST_F(Optimize, BentStartOfALinearMoleculeStraightens) {
  const Surface hcn = all_pairs(" 1 0 0 -1.07\n 6 0 0 0\n 7 0 0 1.16\n");
  run(hcn, " 1 0.05 0.03 -1.07\n 6 0 0 0\n 7 -0.02 0.06 1.16\n", "tolerance=1e-6");
  EXPECT_NE(output_.find("OPTIMIZATION CONVERGED"), std::string::npos);
  EXPECT_LT(largest_distance_error(hcn), 1e-5);
}

// The end of a reaction path into a linear molecule, a degree or less from straight: the
// bend perpendicular to its plane is nearly a turn about the axis, and the variables must
// not count it at one step and drop it at the next (the steps went back and forth).
TEST_F(Optimize, NearlyLinearStartKeepsBothBendComponents) {
  Surface hcn = all_pairs(" 1 0 0 -1.07\n 6 0 0 0\n 7 0 0 1.16\n");
  hcn.straights = {{0, 1, 2, 0.05}};
  for (const char* start : {" 1 0.018674 0 -1.069837\n 6 0 0 0\n 7 0 0 1.16\n",
                            " 1 0.000934 0.000934 -1.07\n 6 0 0 0\n 7 0 0 1.16\n"}) {
    const int internal = run(hcn, start, "tolerance=1e-6");
    EXPECT_NE(output_.find("OPTIMIZATION CONVERGED"), std::string::npos) << start;
    EXPECT_EQ(output_.find("   3 independent variables"), std::string::npos) << start;
    EXPECT_LT(largest_distance_error(hcn), 1e-5);
    store_clear();
    const int cartesian = run(hcn, start, "cartesian=1 tolerance=1e-6");
    EXPECT_LE(internal, cartesian) << start;
    store_clear();
  }
}

// Each bad option stops the run with one line that names the fault.
TEST_F(Optimize, BadInputStopsWithOneLine) {
  const char* water = testing::kWaterAtoms;
  // Linear H-C-C-H: every torsion over it is undefined.
  const char* acetylene = " 6 0 0 0\n 6 0 0 1.2\n 1 0 0 2.3\n 1 0 0 -1.1\n";
  const struct { const char* atoms; const char* options; const char* message; } cases[] = {
      {water, "fix=1,1,4,0,0", "fix: atom 4 does not exist (3 atoms)"},
      {water, "fix=1,0,2,0,0", "fix: atom 0 does not exist"},
      {water, "coordinates=2,1,2,9,0", "coordinates: atom 9 does not exist"},
      {water, "coordinates=1,1,1,0,0", "atom 1 used twice"},
      {water, "coordinates=7,1,2,0,0", "coordinate type 7?"},
      {water, "trust=0", "the radius must be positive"},
      {water, "trust=-0.1", "the radius must be positive"},
      {water, "trust=0.2,-0.01", "the radius must be positive"},
      {water, "trust=0.1,0.3", "minimum above maximum"},
      {water, "steps=0", "steps=0, must be at least 1"},
      {water, "steps=-3", "steps=-3, must be at least 1"},
      {water, "tolerance=0", "tolerance=0, must be positive"},
      {water, "fix=1,1,2,0,0 value=-1", "value=-1 for fix 1, a distance must be positive"},
      {water, "fix=1,1,2,0,0, 2,2,1,3,0 value=-1000,181", "value=181 for fix 2, a bend lies between 0 and 180"},
      {water, "fix=2,2,1,3,0 value=-1000,0", "value=0 for fix 1, a bend lies between 0 and 180"},
      {water, "fix=1,1,2,0,0, 1,1,3,0,0, 2,2,1,3,0, 1,2,3,0,0",
       "4 constraints, the molecule has 3 internal degrees of freedom"},
      {acetylene, "fix=3,4,1,2,3", "torsion 4-1-2-3 over collinear atoms"},
      {acetylene, "coordinates=3,3,2,1,4", "torsion 3-2-1-4 over collinear atoms"},
      {acetylene, "fix=2,4,1,2,0", "bend 4-1-2 is linear"},
  };
  for (const auto& c : cases) {
    std::string message;
    {
      testing::FatalTrap trap;
      try {
        set_up_run(c.atoms, std::string("$optimize ") + c.options + " $end\n");
      } catch (const testing::FatalStop& stop) {
        message = stop.what();
      }
    }
    EXPECT_NE(message.find(c.message), std::string::npos) << c.options << ": [" << message << "]";
    EXPECT_EQ(message.find("*** error in '$optimize' :"), 0u) << c.options;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << c.options << ": not one line";
    store_clear();
  }
}

}  // namespace
}  // namespace ostrel
