#pragma once
// The optimizer's "Opt." records, part of the rec:: catalogue (runtime/records.hpp) kept
// beside the code that owns them. All live on the master node. Sizes: N atoms, m = 3N,
// S the step limit ("Opt.MaxSteps").
#include "model/internal_coordinate.hpp"
#include "runtime/records.hpp"

namespace ostrel {

namespace rec {

// Options (geometry/optimize_options), one int each unless noted.
inline constexpr Record<int> Opt_cartesian{"Opt.cartesian"};
inline constexpr Record<int> Opt_exact{"Opt.exact"};
inline constexpr Record<int> Opt_gterm{"Opt.gterm"};      // 1: Hessian carries the gradient term
inline constexpr Record<int> Opt_saddle{"Opt.saddle"};
inline constexpr Record<int> Opt_follow{"Opt.follow"};    // followed mode, 0-based
inline constexpr Record<int> Opt_points{"Opt.points"};
inline constexpr Record<int> Opt_massw{"Opt.massw"};
inline constexpr Record<int> Opt_maximize{"Opt.maximize"};
inline constexpr Record<int> Opt_back{"Opt.back"};
inline constexpr Record<int> Opt_cubfit{"Opt.cubfit"};
inline constexpr Record<int> Opt_noise{"Opt.noise"};
inline constexpr Record<int> Opt_print{"Opt.print"};
inline constexpr Record<int> Opt_MaxSteps{"Opt.MaxSteps"};
inline constexpr Record<int> Opt_minimize{"Opt.minimize"};       // 2
inline constexpr Record<double> Opt_tolerance{"Opt.tolerance"};  // 2: gradient, displacement
inline constexpr Record<double> Opt_trust{"Opt.trust"};  // 3: maximum, minimum, current (every step)
inline constexpr Record<double> Opt_radius{"Opt.radius"};        // 2
inline constexpr Record<double> Opt_wr{"Opt.wr"};                // 3: stretch, bend, other weights
inline constexpr Record<int> Opt_Nfix{"Opt.Nfix"};
inline constexpr Record<InternalCoordinate> Opt_Kfix{"Opt.Kfix"};  // Nfix constrained coordinates
inline constexpr Record<double> Opt_Rfix{"Opt.Rfix"};             // 2 Nfix: start, then end values
inline constexpr Record<int> Opt_NK{"Opt.NK"};
inline constexpr Record<InternalCoordinate> Opt_K{"Opt.K"};        // NK + 1, type-0 terminated

// Loop state (both engines).
inline constexpr Record<int> Opt_step{"Opt.step"};        // -1 before the first step
inline constexpr Record<int> Opt_exits{"Opt.exits"};      // 1: the loop stops
inline constexpr Record<int> Opt_newgrid{"Opt.newgrid"};  // grid generation requested
inline constexpr Record<int> Opt_loggmin{"Opt.loggmin"};  // lowest gradient decade seen
inline constexpr Record<int> Opt_kgrid{"Opt.kgrid"};      // S: grid generation per step
inline constexpr Record<double> Opt_E{"Opt.E"};           // S energies (cartesian engine: the last)
inline constexpr Record<double> Opt_X{"Opt.X"};           // m x (S+1) geometries
inline constexpr Record<double> Opt_G{"Opt.G"};           // m x (S+1) cartesian gradients
inline constexpr Record<double> Opt_Hx{"Opt.Hx"};         // m(m+1)/2 packed Hessian model
inline constexpr Record<double> Opt_Gx{"Opt.Gx"};         // m: last gradient (cartesian engine)
inline constexpr Record<double> Opt_Ge{"Opt.Ge"};         // m: gradient the model expects next (internal)
inline constexpr Record<double> Opt_Dx{"Opt.Dx"};         // m: last step (cartesian engine)
inline constexpr Record<double> Opt_dE{"Opt.dE"};         // predicted change of the last step
inline constexpr Record<double> Opt_Tx{"Opt.Tx"};         // m: followed or held direction
inline constexpr Record<double> Opt_Vx{"Opt.Vx"};         // m x nvar independent variables
inline constexpr Record<double> Opt_XX{"Opt.XX"};         // m(m+1)/2: V V^T
inline constexpr Record<double> Opt_gref{"Opt.gref"};     // saddle trust test: last largest gradient

}  // namespace rec
}  // namespace ostrel
