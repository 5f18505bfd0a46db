// Hartree-only SCF (no grid: F = H0 + fitted J) against a naive Roothaan reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "integrals/fit_driver.hpp"
#include "scf/procedure/scf_procedure.hpp"
#include "scf/procedure/scf_test_system.hpp"

namespace ostrel {
namespace {

using testing::record_values;
using testing::write_values;

// Fitted Coulomb matrix of the packed density d, with the fitted energy 1/2 gamma . c.
std::vector<double> fitted_coulomb(int m, const std::vector<double>& d, double* ej) {
  write_values("ref.D", d);
  const char* dn[1] = {"ref.D"};
  fit_projection_step(Interaction::coulomb, 1e-10, 1, dn, "ref.g");
  const std::vector<double> gamma = record_values("ref.g"), inv = record_values("invA");
  std::vector<double> c(m, 0.0);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < m; ++j) c[i] += inv[i > j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i] * gamma[j];
  *ej = 0.0;
  for (int i = 0; i < m; ++i) *ej += 0.5 * gamma[i] * c[i];
  write_values("ref.c", c);
  const char* cn[1] = {"ref.c"};
  const char* jn[1] = {"ref.J"};
  fit_assembly_step(1e-10, 1, cn, jn, false);
  std::vector<double> j = record_values("ref.J");
  for (const char* name : {"ref.J", "ref.c", "ref.g", "ref.D"}) store_free(name);
  return j;
}

struct Reference {
  double energy;
  std::vector<double> da, db;
  std::vector<double> early;  // orbitals of an early iteration
};

// Roothaan iterations with DIIS on F = H0 + J[Da + Db]; both spins see the same Fock
// matrix in this model, with na and nb occupied orbitals.
Reference naive_hartree(int n, int na, int nb, int early) {
  const std::vector<double> h = record_values("H0"), s = record_values("S");
  const double enn = store_get<double>("Enn");
  const int m = store_get<int>("Nfit");
  const std::size_t t = h.size();
  std::vector<double> c = testing::roothaan(n, h, s);
  std::vector<std::vector<double>> focks, errors;
  Reference r{0.0, {}, {}, {}};
  double previous = 0.0;
  const std::vector<double> sf = testing::unpack(n, s);
  for (int it = 0; it < 200; ++it) {
    if (it == early) r.early = c;
    r.da = testing::density(n, na, c);
    r.db = testing::density(n, nb, c);
    std::vector<double> d(t);
    for (std::size_t i = 0; i < t; ++i) d[i] = r.da[i] + r.db[i];
    double ej = 0.0;
    std::vector<double> f = fitted_coulomb(m, d, &ej);
    double e1 = 0.0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) e1 += (i == j ? 1.0 : 2.0) * d[i * (i + 1) / 2 + j] * h[i * (i + 1) / 2 + j];
    for (std::size_t i = 0; i < t; ++i) f[i] += h[i];
    r.energy = e1 + ej + enn;
    // Error FDS - SDF summed over the spin densities.
    const std::vector<double> ff = testing::unpack(n, f), dd = testing::unpack(n, d);
    std::vector<double> fd(static_cast<std::size_t>(n) * n, 0.0), err(static_cast<std::size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k)
        for (int j = 0; j < n; ++j) fd[i * n + j] += ff[i * n + k] * dd[k * n + j];
    double emax = 0.0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        double x = 0.0;
        for (int k = 0; k < n; ++k) x += fd[i * n + k] * sf[k * n + j] - sf[i * n + k] * fd[j * n + k];
        err[i * n + j] = x;
        emax = std::max(emax, std::fabs(x));
      }
    if (it > 0 && std::fabs(r.energy - previous) < 1e-13 && emax < 1e-9) break;
    previous = r.energy;
    focks.push_back(f);
    errors.push_back(err);
    if (focks.size() > 8) {
      focks.erase(focks.begin());
      errors.erase(errors.begin());
    }
    const int k = static_cast<int>(focks.size());
    std::vector<double> fx = f;
    if (k > 1) {
      // DIIS: minimise |sum w_i e_i| with sum w_i = 1 (Gaussian elimination, bordered matrix).
      const int q = k + 1;
      std::vector<double> b(static_cast<std::size_t>(q) * q, 0.0), rhs(q, 0.0);
      for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j)
          for (std::size_t x = 0; x < errors[i].size(); ++x) b[i * q + j] += errors[i][x] * errors[j][x];
      for (int i = 0; i < k; ++i) b[i * q + k] = b[k * q + i] = -1.0;
      rhs[k] = -1.0;
      for (int col = 0; col < q; ++col) {
        int piv = col;
        for (int row = col + 1; row < q; ++row)
          if (std::fabs(b[row * q + col]) > std::fabs(b[piv * q + col])) piv = row;
        for (int x = 0; x < q; ++x) std::swap(b[col * q + x], b[piv * q + x]);
        std::swap(rhs[col], rhs[piv]);
        for (int row = 0; row < q; ++row) {
          if (row == col || b[col * q + col] == 0.0) continue;
          const double fct = b[row * q + col] / b[col * q + col];
          for (int x = 0; x < q; ++x) b[row * q + x] -= fct * b[col * q + x];
          rhs[row] -= fct * rhs[col];
        }
      }
      std::fill(fx.begin(), fx.end(), 0.0);
      for (int i = 0; i < k; ++i) {
        const double w = rhs[i] / b[i * q + i];
        for (std::size_t x = 0; x < t; ++x) fx[x] += w * focks[i][x];
      }
    }
    c = testing::roothaan(n, fx, s);
  }
  return r;
}

class ScfHartree : public testing::ScfSystem {
 protected:
  // Runs the SCF from the core guess and checks it against the naive reference.
  // The rotations keep the occupation pattern of the start, so the open shell starts from
  // an early reference iteration whose occupied orbitals already lie lowest.
  void check(const std::string& groups, int charge) {
    prepare(groups, charge);
    no_grid();
    core_guess();
    fit_setup_step(1e-10, false);
    const Reference ref = naive_hartree(n, na, nb, charge ? 4 : 0);
    write_values("Ca", ref.early);
    write_values("Cb", ref.early);
    const std::string out = run(scf_run);
    EXPECT_NE(out.find(" converged!\n"), std::string::npos) << out;
    EXPECT_NEAR(store_get<double>("ESCF"), ref.energy, 1e-9) << out;
    EXPECT_EQ(store_get<double>("Energy"), store_get<double>("ESCF"));
    const std::vector<double> da = record_values("Da"), db = record_values("Db");
    double worst = 0.0;
    for (std::size_t i = 0; i < ref.da.size(); ++i)
      worst = std::max({worst, std::fabs(da[i] - ref.da[i]), std::fabs(db[i] - ref.db[i])});
    EXPECT_LT(worst, 1e-6);
    // Orthonormal orbitals after the rotations.
    const std::vector<double> s = testing::unpack(n, record_values("S"));
    for (const char* set : {"Ca", "Cb"}) {
      const std::vector<double> c = record_values(set);
      double dev = 0.0;
      for (int p = 0; p < n; ++p)
        for (int q = 0; q <= p; ++q) {
          double x = 0.0;
          for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) x += c[p * n + i] * s[i * n + j] * c[q * n + j];
          dev = std::max(dev, std::fabs(x - (p == q ? 1.0 : 0.0)));
        }
      EXPECT_LT(dev, 1e-10) << set;
    }
  }
};

TEST_F(ScfHartree, ClosedShellNewtonRaphsonMatchesRoothaan) {
  check("$scf convergence=1e-10 iterations=30 $end", 0);
  EXPECT_EQ(record_values("Cb"), record_values("Ca"));
  EXPECT_EQ(record_values("Db"), record_values("Da"));
  EXPECT_EQ(record_values("Fb"), record_values("Fa"));
}

TEST_F(ScfHartree, ClosedShellBfgsMatchesRoothaan) {
  check("$scf convergence=1e-10 iterations=80 procedure=bfgs $end", 0);
  EXPECT_EQ(record_values("Cb"), record_values("Ca"));
}

TEST_F(ScfHartree, UnrestrictedCationNewtonRaphsonMatchesRoothaan) {
  check("$scf convergence=1e-10 iterations=30 $end", 1);
  EXPECT_EQ(store_get<int>("restrict"), 0);
}

// Unrestricted, then restricted open shell with BFGS. Without exchange both spins see the same Fock matrix,
// so the unrestricted solution is already a restricted one: the energies agree.
TEST_F(ScfHartree, RestrictedOpenShellBfgsReachesTheUnrestrictedEnergy) {
  check("$scf convergence=1e-10 iterations=80 procedure=bfgs $end", 1);
  const double unrestricted = store_get<double>("ESCF");
  store_close();
  SetUp();
  prepare("$scf restrict=1 convergence=1e-8 iterations=80 procedure=bfgs $end", 1);
  no_grid();
  core_guess();
  fit_setup_step(1e-10, false);
  write_values("Ca", naive_hartree(n, na, nb, 4).early);
  const std::string out = run(scf_run);
  EXPECT_NE(out.find(" converged!\n"), std::string::npos) << out;
  EXPECT_EQ(record_values("Cb"), record_values("Ca"));
  const double e = store_get<double>("ESCF");
  EXPECT_NEAR(e, unrestricted, 1e-9);
}

}  // namespace
}  // namespace ostrel
