// The reaction path on the peroxide torsion surface (path_surface.hpp).
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/gradient_extremal.hpp"
#include "geometry/paths/irc_path.hpp"
#include "geometry/paths/irc_runge_kutta.hpp"
#include "path_surface.hpp"

namespace ostrel {
namespace {

using namespace testing;

using PathPoint = ListedPoint;

// The "IRC>" points of the final listing.
std::vector<PathPoint> listing(const std::string& out) {
  return listed_points(out, "REACTION PATH:", "IRC>", "IRC> path point %d: distance = %lf Energy = %lf");
}

class Irc : public PathSurfaceTest {
 protected:
  std::string run(const char* start, const std::string& options) { return run_task(irc_path_with, "IRC", start, options); }
};

TEST_F(Irc, FromTheSaddleDownToAMinimumWithAHessianOfItsOwn) {
  const std::string out = run(kTransPeroxide, "radius=0.15 tolerance=1e-5");
  // No Hessian in the input: one level-2 evaluation, whose results also serve as point 0.
  EXPECT_EQ(g_levels[2], 1);
  EXPECT_NE(out.find(" frequency ="), std::string::npos);
  EXPECT_NE(out.find("i cm^-1:"), std::string::npos);
  EXPECT_NE(out.find("Vicinity of a Stationary Point --- STOP."), std::string::npos) << out;
  const std::vector<PathPoint> path = listing(out);
  ASSERT_GT(path.size(), 5u) << out;
  EXPECT_NEAR(path[0].e, 0.005, 1e-9);
  EXPECT_NEAR(path[0].s, 0.0, 0.0);
  for (std::size_t k = 1; k < path.size(); ++k) {
    EXPECT_LT(path[k].e, path[k - 1].e) << "point " << k;
    EXPECT_GT(path[k].s, path[k - 1].s);
  }
  // The path ends close to the gauche minimum (E = -0.005 at 90 degrees).
  EXPECT_NEAR(std::fabs(path.back().torsion), M_PI / 2, 0.12);
  EXPECT_LT(path.back().e, -0.0045);
  EXPECT_NE(out.find("\n PLOT\n0"), std::string::npos);
}

TEST_F(Irc, BackTakesTheMirrorPathAndListsItReversed) {
  const std::string forward = run(kTransPeroxide, "radius=0.15 points=4");
  store_clear();
  const std::string back = run(kTransPeroxide, "radius=0.15 points=4 back=1");
  const std::vector<PathPoint> f = listing(forward), b = listing(back);
  ASSERT_EQ(f.size(), 5u);
  ASSERT_EQ(b.size(), 5u);
  for (int k = 0; k < 5; ++k) {
    const PathPoint& r = b[4 - k];  // the back listing starts at its last point
    EXPECT_NEAR(r.s, -f[k].s, 1e-8) << k;
    EXPECT_NEAR(r.e, f[k].e, 1e-9) << k;
    if (k > 0) {
      EXPECT_NEAR(r.torsion, -f[k].torsion, 1e-6) << k;
    }
  }
  EXPECT_LT(b.front().s, b.back().s + 1e-12);
}

// The torsion's valley has walls of bond stretches and bends far stiffer than its floor:
// the Runge-Kutta path must stay on the floor, with the IRC's energies at equal arc length.
TEST_F(Irc, RungeKuttaFollowsTheIrcThroughAStiffValley) {
  const std::vector<PathPoint> irc = listing(run(kTransPeroxide, "radius=0.05 tolerance=1e-6"));
  store_clear();
  const std::vector<PathPoint> rk = listing(run_task(irc_runge_kutta_with, "IRC4", kTransPeroxide, "radius=0.15"));
  ASSERT_GT(rk.size(), 4u);
  int compared = 0;
  for (const PathPoint& p : rk) {
    std::size_t k = 2;
    while (k + 1 < irc.size() && irc[k].s < p.s) ++k;
    if (p.s > irc.back().s || p.s == 0.0) continue;
    double v = 0.0;  // the IRC's energy at s, through its three nearest points
    for (std::size_t i = k - 2; i <= k; ++i) {
      double l = 1.0;
      for (std::size_t j = k - 2; j <= k; ++j)
        if (j != i) l *= (p.s - irc[j].s) / (irc[i].s - irc[j].s);
      v += l * irc[i].e;
    }
    EXPECT_NEAR(p.e, v, 1e-5) << "s = " << p.s;
    ++compared;
  }
  EXPECT_GT(compared, 3);
}

TEST_F(Irc, AMinimumIsNotASaddlePoint) {
  EXPECT_FATAL(run(kGauchePeroxide, "points=3"), "is it a saddle point?");
}

TEST_F(Irc, DownhillFromAnOrdinaryPoint) {
  // saddle=0: the first direction is the gradient, the Hessian the model one.
  const std::string out = run(kTwistedPeroxide, "saddle=0 radius=0.15 points=3");
  EXPECT_EQ(g_levels[2], 0);
  const std::vector<PathPoint> path = listing(out);
  ASSERT_EQ(path.size(), 4u);
  for (std::size_t k = 1; k < path.size(); ++k) EXPECT_LT(path[k].e, path[k - 1].e);
}

// Killed halfway, each path task continues after its last kept point to the same path.
TEST_F(Irc, AnInterruptedPathContinuesWhereItStopped) {
  struct Case {
    void (*task)(Evaluator);
    const char *name, *start, *options, *listed, *format;
  };
  const char* irc = "IRC> path point %d: distance = %*lf Energy = %lf";
  for (const Case& c : {Case{irc_path_with, "IRC", kTransPeroxide, "radius=0.15 points=5", "REACTION PATH:", irc},
                        Case{irc_runge_kutta_with, "IRC4", kTransPeroxide, "radius=0.1 points=5", "REACTION PATH:", irc},
                        Case{gradient_extremal_path_with, "EXTREMAL", kGauchePeroxide, "radius=0.1 points=6 tolerance=1e-7",
                             "GRADIENT EXTREMAL PATH:", "PATH> n=%d, E=%lf"}}) {
    store_clear();
    g_levels[0] = g_levels[1] = g_levels[2] = 0;
    const auto go = [&] { return run_task(c.task, c.name, c.start, c.options); };
    const std::vector<double> whole = listed_energies(go(), c.listed, c.format);
    const int all = evaluations();
    const std::string rest = killed_and_continued(all / 2, go);
    EXPECT_NE(rest.find("continuing the path after point"), std::string::npos) << c.name << rest;
    EXPECT_LT(evaluations(), all - all / 2 + 3) << c.name;  // at most the point under way again
    // A continued IRC computes no Hessian at its start again.
    EXPECT_EQ(g_levels[2], std::string(c.name) == "EXTREMAL" ? evaluations() : 0) << c.name;
    const std::vector<double> again = listed_energies(rest, c.listed, c.format);
    ASSERT_EQ(again.size(), whole.size()) << c.name;
    for (std::size_t k = 0; k < whole.size(); ++k) EXPECT_NEAR(again[k], whole[k], 1e-9) << c.name << k;
  }
}

TEST_F(Irc, GradientExtremalClimbsFromTheMinimumAlongTheSoftestMode) {
  const std::string out = run_task(gradient_extremal_path_with, "EXTREMAL", kGauchePeroxide,
                                   "radius=0.1 points=6 tolerance=1e-7");
  const std::vector<double> e = listed_energies(out, "GRADIENT EXTREMAL PATH:", "PATH> n=%d, E=%lf");
  ASSERT_EQ(e.size(), 7u) << out;
  EXPECT_NEAR(e[0], -0.005, 1e-9);
  for (std::size_t k = 1; k < e.size(); ++k) EXPECT_GT(e[k], e[k - 1]) << k;
  EXPECT_NE(out.find("Converged in"), std::string::npos);
}

TEST(EnergyProfile, TableInIncreasingSAndAPlotUnlessFlat) {
  const double s[] = {0.0, -0.2, -0.4}, e[] = {-1.0, -1.5, -2.0};
  const std::string out = testing::captured_stdout([&] { print_energy_profile(3, s, e); });
  // Listed from the last point up; E(0) is the first point's energy.
  EXPECT_NE(out.find("   -0.400000        -2.000000     -1.000000 \n   -0.200000"), std::string::npos) << out;
  EXPECT_NE(out.find("\n PLOT\n*" + std::string(75, '-') + "\n|" + std::string(37, ' ') + "*\n|" +
                     std::string(74, ' ') + "*\n"),
            std::string::npos)
      << out;
  const double flat[] = {1.0, 1.0};
  const std::string level = testing::captured_stdout([&] { print_energy_profile(2, s, flat); });
  EXPECT_EQ(level.find("PLOT"), std::string::npos);
  EXPECT_TRUE(testing::captured_stdout([&] { print_energy_profile(1, s, e); }).empty());
}

}  // namespace
}  // namespace ostrel
