#pragma once
// The "Path." records of the path tasks (master node), part of the rec:: catalogue
// (runtime/records.hpp), and the evaluation hook every path task calls. Sizes: m = 3N.
#include "runtime/records.hpp"

namespace ostrel {

namespace rec {
inline constexpr Record<int> Path_np{"Path.np"};     // points of the path done so far
inline constexpr Record<double> Path_X{"Path.X"};    // np x m cartesian geometries (bohr)
inline constexpr Record<double> Path_E{"Path.E"};    // np energies
inline constexpr Record<double> Path_S{"Path.S"};    // np path parameters (arc length)
inline constexpr Record<double> Path_G{"Path.G"};    // m: mass-weighted gradient of the last point
inline constexpr Record<double> Path_W{"Path.W"};    // trust radius when the last point was done
inline constexpr Record<double> Path_T{"Path.T"};    // what else a task needs to continue its path
// A chain moved as a whole (np x m each; Path.H np x m(m+1)/2): every point's gradient, the
// chain and its gradients before the last step, every point's Hessian model.
inline constexpr Record<double> Path_GX{"Path.GX"};
inline constexpr Record<double> Path_Xo{"Path.Xo"};
inline constexpr Record<double> Path_Go{"Path.Go"};
inline constexpr Record<double> Path_H{"Path.H"};
}  // namespace rec

// Energy and derivatives of "Molecule" at a derivative level on every node: the energy
// driver in a run, an analytic surface in tests.
using Evaluator = void (*)(int level);

}  // namespace ostrel
