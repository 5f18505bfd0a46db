#pragma once
// The path tasks on an analytic surface: a twofold torsion barrier of a peroxide-like
// molecule, whose planar trans structure is an exact saddle point between two mirror-image
// minima at +-90 degrees. The surface stands in for the energy driver through the tasks'
// evaluation hook.
#include <filesystem>

#include "geometry/paths/path_records.hpp"
#include "runtime/fatal.hpp"
#include "../model_surface.hpp"

namespace ostrel::testing {

inline constexpr const char* kTransPeroxide = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.92 0\n";
inline constexpr const char* kGauchePeroxide = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 0 0.92\n";
inline constexpr const char* kTwistedPeroxide = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.65 0.65\n";
inline constexpr InternalCoordinate kTorsion{3, 2, 0, 1, 3};

// The surface the evaluation hook reads, and how often each level was asked for.
inline const Surface* g_surface = nullptr;
inline int g_levels[3] = {0, 0, 0};
inline int g_stop_after = -1;  // a fatal stop at this evaluation, as an interrupted run

inline void surface_evaluate(int level) {
  if (g_stop_after == 0) fatal_stop();
  if (g_stop_after > 0) --g_stop_after;
  ++g_levels[level];
  const std::vector<double> x = testing::current_geometry();
  const int m = static_cast<int>(x.size());
  std::vector<double> g(m), h(m * (m + 1) / 2);
  record_put(rec::Energy, g_surface->energy(x.data(), g.data()));
  record_write(rec::Gradient, g.data(), m);
  if (level == 2) {
    g_surface->hessian(x.data(), h.data());
    record_write(rec::Hessian, h.data(), std::ssize(h));
  }
}

// The points of a final path listing after `after`: each a line read with `header` (an int,
// then s and E) and a molecule group whose lines start with `tag`; the torsion from its
// coordinates.
struct ListedPoint {
  double s, e, torsion;
};
inline std::vector<ListedPoint> listed_points(const std::string& out, const char* after, const std::string& tag,
                                              const char* header) {
  std::vector<ListedPoint> list;
  std::vector<double> xyz;
  ListedPoint p{};
  const std::string atom = tag + " %d %lf %lf %lf", end = tag + "$end";
  for (const std::string& line : testing::lines_of(out.substr(out.find(after)))) {
    int k = 0;
    if (std::sscanf(line.c_str(), header, &k, &p.s, &p.e) == 3) continue;
    double a[3];
    if (std::sscanf(line.c_str(), atom.c_str(), &k, a, a + 1, a + 2) == 4)
      for (double v : a) xyz.push_back(v * 1.8897259885789233);
    if (line.rfind(end, 0) == 0) {
      if (xyz.size() == 12) p.torsion = coordinate_value(kTorsion, xyz.data(), nullptr, nullptr), list.push_back(p);
      xyz.clear();
    }
  }
  return list;
}

// The energies of the lines read with `format` (an int, then the energy) after `after`.
inline std::vector<double> listed_energies(const std::string& out, const char* after, const char* format) {
  std::vector<double> list;
  for (const std::string& line : testing::lines_of(out.substr(out.find(after)))) {
    int k = 0;
    double v = 0;
    if (std::sscanf(line.c_str(), format, &k, &v) == 2) list.push_back(v);
  }
  return list;
}

class PathSurfaceTest : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    // Kept path files go to a directory of the test's own: tests that run at once share inputs.
    char dir[] = "/tmp/ostrel-paths-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    keep_dir_ = dir;
    store_close();
    store_open(dir, -64);
    testing::set_up_run(kTransPeroxide, "");
    surface_.reference = testing::current_geometry();
    store_clear();
    surface_.pairs = {{0, 1}, {0, 2}, {1, 3}, {1, 2}, {0, 3}};
    surface_.torsions = {{kTorsion, 0.005, 2}};
    g_surface = &surface_;
    g_levels[0] = g_levels[1] = g_levels[2] = 0;
    g_stop_after = -1;
  }
  void TearDown() override {
    EXPECT_TRUE(std::filesystem::is_empty(keep_dir_)) << "a task that ended left its kept path";
    std::filesystem::remove_all(keep_dir_);
    RuntimeTest::TearDown();
  }
  // Output of `task` from `start` with the "optimize" options.
  std::string run_task(void (*task)(Evaluator), const char* name, const char* start, const std::string& options) {
    return testing::captured_stdout([&] {
      testing::set_up_run(start, "$optimize " + options + " $end\n", name);
      task(surface_evaluate);
    });
  }
  // Evaluations of all levels counted in g_levels.
  static int evaluations() { return g_levels[0] + g_levels[1] + g_levels[2]; }
  // `run` killed at evaluation `stop`, then run again: the output of the second run, whose
  // evaluations g_levels counts.
  template <class Run>
  std::string killed_and_continued(int stop, Run&& run) {
    store_clear();
    g_stop_after = stop;
    EXPECT_FATAL(run(), "");
    store_clear();
    g_levels[0] = g_levels[1] = g_levels[2] = 0;
    g_stop_after = -1;
    return run();
  }
  Surface surface_;
  std::string keep_dir_;
};

}  // namespace ostrel::testing
