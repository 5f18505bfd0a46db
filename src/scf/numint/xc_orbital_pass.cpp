// Orbital-density pass: rho and its gradient from the density matrices over the wavefunction
// basis, the exchange-correlation matrices added to the Fock matrices. Work goes block by
// block through the matrix kernel: X = Phi D, rho = rowwise Phi . X, V = Phi^T Z + Z^T Phi.
#include <cstdint>

#include "linalg/block_transfer.hpp"
#include "linalg/gemm_kernel.hpp"
#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/numint/xc_block_pass.hpp"
#include "scf/numint/xc_passes.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

struct OrbitalWork {
  XcFunctional f;
  int closed;
  int gradients;
  double small;
  const double* density[2];  // packed, per spin
  double* matrix[2];         // packed exchange-correlation matrices (this node's share)
  double ex, ec;
  double* dblock;  // nb x nb
  double* x;       // points x nb
  double* y;       // nb x nb
  double u[2][kXcBlockPoints][4];  // rho and gradient per spin
  double v[2][kXcBlockPoints][4];  // weighted derivatives
};

inline std::int64_t packed(std::int64_t i, std::int64_t j) {
  return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i;
}

void visit_block(void* context, const XcPassBlock& b) {
  OrbitalWork& w = *static_cast<OrbitalWork*>(context);
  const int np = b.n_points, nb = b.n_functions;
  const std::int64_t stride = std::int64_t{np} * nb;
  const double* phi = b.phi;
  const int spins = w.closed ? 1 : 2;
  for (int s = 0; s < spins; ++s) {
    const double* d = w.density[s];
    for (int m = 0; m < nb; ++m) {
      const std::int64_t fm = b.function[m];
      for (int n = 0; n <= m; ++n) {
        const double value = d[packed(fm, b.function[n])];
        w.dblock[m * nb + n] = value;
        w.dblock[n * nb + m] = value;
      }
    }
    for (std::int64_t i = 0; i < stride; ++i) w.x[i] = 0.0;
    gemm_views({phi, STORE_ROWS, nb, np}, {w.dblock, STORE_ROWS, nb, nb}, w.x, STORE_ROWS, nb,
               np, nb, nb, 1.0);
    for (int p = 0; p < np; ++p) {
      const double* xp = w.x + p * nb;
      const double* f0 = phi + p * nb;
      double rho = 0.0;
      for (int m = 0; m < nb; ++m) rho += f0[m] * xp[m];
      w.u[s][p][0] = rho;
      for (int c = 1; c < 4; ++c) {
        double g = 0.0;
        if (w.gradients) {
          const double* fc = phi + c * stride + p * nb;
          for (int m = 0; m < nb; ++m) g += fc[m] * xp[m];
        }
        w.u[s][p][c] = 2.0 * g;
      }
    }
  }
  XcDerivatives der;
  for (int p = 0; p < np; ++p) {
    double ex = 0.0, ec = 0.0;
    xc_point(w.f, w.u[0][p], w.u[spins - 1][p], &ex, &ec, &der, 1, w.small);
    const double weight = b.weights[p];
    w.ex += weight * ex;
    w.ec += weight * ec;
    for (int s = 0; s < spins; ++s)
      for (int c = 0; c < 4; ++c) w.v[s][p][c] = weight * der.d1[s][c];
  }
  // V_s = Phi^T Z + Z^T Phi with Z = v/2 phi + v_g . grad phi (row per point).
  for (int s = 0; s < spins; ++s) {
    for (int p = 0; p < np; ++p) {
      const double* v = w.v[s][p];
      const double* f0 = phi + p * nb;
      double* z = w.x + p * nb;
      const double half = 0.5 * v[0];
      for (int m = 0; m < nb; ++m) z[m] = half * f0[m];
      if (w.gradients)
        for (int c = 1; c < 4; ++c) {
          const double* fc = phi + c * stride + p * nb;
          for (int m = 0; m < nb; ++m) z[m] += v[c] * fc[m];
        }
    }
    for (std::int64_t i = 0; i < std::int64_t{nb} * nb; ++i) w.y[i] = 0.0;
    gemm_views({phi, STORE_COLUMNS, np, nb}, {w.x, STORE_ROWS, nb, np}, w.y, STORE_ROWS, nb,
               nb, nb, np, 1.0);
    double* out = w.matrix[s];
    for (int m = 0; m < nb; ++m) {
      const std::int64_t fm = b.function[m];
      for (int n = 0; n <= m; ++n) out[packed(fm, b.function[n])] += w.y[m * nb + n] + w.y[n * nb + m];
    }
  }
}

}  // namespace

void xc_orbital_pass() {
  timer("Numerical Integration", '-');
  Molecule mol = load_molecule(1, "Molecule");
  Basis basis = load_basis(1, "Basis", mol);
  BasisShells shells = basis_shells(basis);
  XcPassGrid grid = xc_pass_grid();
  {
    const XcFunctional f = xc_broadcast_functional();
    const int closed = xc_broadcast_int("closed");
    const int nbf = basis.n_functions;
    const long tri = static_cast<long>(nbf) * (nbf + 1) / 2;
    const int spins = closed ? 1 : 2;
    PoolArray<double> density(spins * tri), matrix(spins * tri);
    PoolArray<double> dblock(std::int64_t{nbf} * nbf), x(std::int64_t{kXcBlockPoints} * nbf),
        y(std::int64_t{nbf} * nbf);
    PoolArray<OrbitalWork> work(1);
    OrbitalWork& w = work[0];
    w.f = f;
    w.closed = closed;
    w.gradients = f.level >= 1;
    w.small = grid.small;
    w.ex = w.ec = 0.0;
    w.dblock = dblock.data();
    w.x = x.data();
    w.y = y.data();
    const char* dnames[2] = {"Da", "Db"};
    for (int s = 0; s < spins; ++s) {
      w.density[s] = density.data() + s * tri;
      w.matrix[s] = matrix.data() + s * tri;
      xc_broadcast_doubles(dnames[s], density.data() + s * tri, tri);
    }
    for (long i = 0; i < spins * tri; ++i) matrix[i] = 0.0;
    xc_walk_blocks(grid, shells.set, mol.xyz, w.gradients, visit_block, &w);

    double energies[2] = {w.ex, w.ec};
    mp_sum(energies, 2, MP_DOUBLE);
    mp_sum(matrix.data(), spins * tri, MP_DOUBLE);
    if (is_master) {
      // The Fock matrices take the sums; density is free for reading them.
      const char* fnames[2] = {"Fa", "Fb"};
      for (int s = 0; s < 2; ++s) {
        if (s == 1 && closed && !store_exists("Fb")) break;
        const double* v = matrix.data() + (closed ? 0 : s) * tri;
        double* fock = density.data();
        store_read(fnames[s], 0, fock, 8 * std::int64_t{tri});
        for (long i = 0; i < tri; ++i) fock[i] += v[i];
        store_write(fnames[s], 0, fock, 8 * std::int64_t{tri});
      }
      store_put("Ex", energies[0]);
      store_put("Ec", energies[1]);
    }
  }
  xc_pass_grid_release(grid);
  release_basis_shells(shells);
  release_basis(basis);
  release_molecule(mol);
  timer("Numerical Integration", '+');
}

}  // namespace ostrel
