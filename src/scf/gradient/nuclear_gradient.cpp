// Analytic gradient of the converged SCF energy, term by term in a fixed order.
#include "scf/gradient/nuclear_gradient.hpp"

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>

#include "integrals/basis_adapter.hpp"
#include "integrals/coulomb_fit.hpp"
#include "integrals/one_electron_driver.hpp"
#include "integrals/one_electron_gradient.hpp"
#include "integrals/two_electron_coulomb.hpp"
#include "linalg/vector_ops.hpp"
#include "model/basis_record.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"
#include "scf/numint/xc_gradient.hpp"

namespace ostrel {
namespace {

constexpr int kFitOverlap = 'S';
constexpr int kFitCoulomb = 'J';

struct Options {
  int necp, closed, grid, fit, fitxc;
  double cut;
  double field[3];
};

Options read_options() {
  Options o{};
  if (is_master) {
    o.necp = record_get_or(rec::Necp, 0);
    o.closed = record_get(rec::closed);
    o.grid = record_get_or(rec::grid, 0);
    o.fit = record_get(rec::fit);
    o.fitxc = record_get_or(rec::fitxc, 0);
    o.cut = record_field(rec::cutij, &IntegralCutoffs::pair);
    if (record_exists(rec::field)) record_read(rec::field, o.field, 3);
  }
  mp_bcast(&o, sizeof o, MP_BYTE);
  return o;
}

void stage_start(const char* name) {
  timer(name, '0');
  timer(name, '-');
}
void stage_end(const char* name) {
  timer(name, '+');
  timer(name, 'r');
}

// A matrix or vector read by the master and handed to every node's share of a member.
void load(Record<double> record, double* data, std::int64_t n) {
  if (is_master) record_read(record, data, n);
  mp_bcast(data, n, MP_DOUBLE);
}

// Collects the nodes' shares of a member on the master.
class Shares {
 public:
  Shares(double* g, int n) : g_(g), n_(n), t_(n) { vec_set(n, 0.0, t_.data()); }
  double* data() { return t_.data(); }
  void collect() {
    mp_sum(t_.data(), n_, MP_DOUBLE);
    if (is_master) vec_axpy(n_, 1.0, t_.data(), g_);
    vec_set(n_, 0.0, t_.data());
  }

 private:
  double* g_;
  int n_;
  PoolArray<double> t_;
};

// The exchange-correlation stage, timed like the others.
void grid_stage(void (*xc_part)()) {
  const char* xc = "Ex. - Corr.  Gradient";
  stage_start(xc);
  xc_part();
  stage_end(xc);
}

void write_gradient(const double* g, int n) {
  if (!is_master) return;
  record_save(rec::Gradient, g, n);
}

}  // namespace

void scf_nuclear_gradient() {
  const Options o = read_options();
  Molecule mol = load_molecule(1, "Molecule");
  Basis basis = load_basis(1, "Basis", mol);
  std::optional<Basis> basis2;
  if (o.fit != 0) basis2 = load_basis(1, "Basis2", mol);
  {
    BasisViews orb(basis, mol);
    std::optional<BasisViews> aux;
    if (basis2) aux.emplace(*basis2, mol);
    const int natom = mol.n_atoms, n3 = 3 * natom;
    const std::int64_t n2 = packed_size(static_cast<std::int64_t>(basis.n_functions));
    const int m = basis2 ? basis2->n_functions : 0;
    PoolArray<double> g(n3), repulsion(n3), mat(n2);
    Shares share(g.data(), n3);
    const int first = node_id, stride = node_count;

    const char* one = "One-Electron Gradient";
    stage_start(one);
    vec_set(n3, 0.0, g.data());
    vec_set(n3, 0.0, repulsion.data());
    if (is_master) {
      nuclear_repulsion(natom, mol.xyz, mol.charge, repulsion.data(), nullptr);
      vec_copy(n3, repulsion.data(), g.data());
    }
    load(rec::W, mat.data(), n2);
    overlap_gradient(orb.atoms, o.cut, mat.data(), first, stride, share.data());
    share.collect();
    load(rec::D, mat.data(), n2);
    kinetic_gradient(orb.atoms, o.cut, mat.data(), first, stride, share.data());
    share.collect();
    {
      PoolArray<PointCharge> nuclei(natom > 0 ? natom : 1);
      for (int i = 0; i < natom; ++i)
        nuclei[i] = {{mol.xyz[3 * i], mol.xyz[3 * i + 1], mol.xyz[3 * i + 2]},
                     mol.charge[i],
                     mol.point ? 0.0 : mol.nucleus_a[i]};
      // The repulsion is already in g; the member gets no second copy.
      attraction_gradient(orb.atoms, std::span<const PointCharge>(nuclei.data(), natom), o.cut,
                          mat.data(), nullptr, first, stride, share.data());
      share.collect();
    }
    const double fmax =
        std::fmax(std::fabs(o.field[0]), std::fmax(std::fabs(o.field[1]), std::fabs(o.field[2])));
    if (fmax != 0.0) {
      PoolArray<double> blocks(9L * natom);
      vec_set(blocks.size(), 0.0, blocks.data());
      const double origin[3] = {0.0, 0.0, 0.0};
      dipole_derivatives(orb.atoms, origin, o.cut, mat.data(), first, stride, blocks.data());
      mp_sum(blocks.data(), blocks.size(), MP_DOUBLE);
      if (is_master)
        for (int a = 0; a < natom; ++a)
          for (int c = 0; c < 3; ++c) {
            const double* b = blocks.data() + 9 * a + 3 * c;
            g[3 * a + c] += o.field[c] * mol.charge[a] -
                            (b[0] * o.field[0] + b[1] * o.field[1] + b[2] * o.field[2]);
          }
    }
    stage_end(one);

    if (o.necp != 0) {
      const char* ecp = "ECP Gradient";
      stage_start(ecp);
      {
        PoolArray<EcpBlock> blocks(natom > 0 ? natom : 1);
        if (is_master) record_read(rec::ECP, blocks.data(), natom);
        mp_bcast(blocks.data(), static_cast<std::int64_t>(sizeof(EcpBlock)) * natom, MP_BYTE);
        PotentialViews potentials(blocks.data(), mol);
        core_potential_gradient(orb.shells, potentials.potentials, mat.data(), first, stride,
                                share.data());
        share.collect();
      }
      stage_end(ecp);
    }

    // This node's wavefunction atom pairs for the three-centre members.
    PoolArray<int> own(natom > 0 ? natom : 1);
    int n_own = 0;
    for (int a = first; a < natom; a += stride) own[n_own++] = a;
    const FitPairs pairs{own.data(), n_own, nullptr};
    // The Coulomb energy of a fitted density d: three-centre terms less half the metric's.
    auto fitted_coulomb = [&](const double* d, double* c) {
      fit_three_centre_gradient(Interaction::coulomb, orb.atoms, aux->atoms, pairs, o.cut, 1, mat.data(), d,
                                share.data());
      vec_copy(m, d, c);
      vec_scale(m, -0.5, c);
      fit_metric_gradient(Interaction::coulomb, aux->atoms, first, stride, 1, d, c, share.data());
    };
    const char* coulomb = "Coulomb-type Gradient";
    const char* overlap = "Overlap-type Gradient";
    if (!o.fitxc) {
      stage_start(coulomb);
      if (o.fit == kFitCoulomb) {
        PoolArray<double> d(m), c(m);
        load(rec::d, d.data(), m);
        fitted_coulomb(d.data(), c.data());
        share.collect();
      } else {
        coulomb_gradient_exact(orb.atoms, o.cut, mat.data(), first, stride, share.data());
        share.collect();
      }
      stage_end(coulomb);
      write_gradient(g.data(), n3);
      if (o.grid) grid_stage(xc_gradient_orbital);
    } else {
      // Work copies: the store keeps the SCF's fa, fb.
      PoolArray<double> d(m), da(m), db(m), fa(m), fb(m), c(2L * m), dd(2L * m);
      double u[2] = {0.0, 0.0};
      load(rec::d, d.data(), m);
      load(rec::da, da.data(), m);
      load(rec::db, db.data(), m);
      load(rec::fa, fa.data(), m);
      load(rec::fb, fb.data(), m);
      if (o.fit == kFitOverlap) {
        if (is_master) {
          u[0] = record_get(rec::ua);
          u[1] = record_get(rec::ub);
        }
        mp_bcast(u, 2, MP_DOUBLE);
        stage_start(coulomb);
        fitted_coulomb(d.data(), c.data());
        share.collect();
        stage_end(coulomb);
        stage_start(overlap);
        if (!o.closed) {
          load(rec::Da, mat.data(), n2);
          fit_three_centre_gradient(Interaction::overlap, orb.atoms, aux->atoms, pairs, o.cut, 1,
                                    mat.data(), fa.data(), share.data(), &u[0]);
          load(rec::Db, mat.data(), n2);
          fit_three_centre_gradient(Interaction::overlap, orb.atoms, aux->atoms, pairs, o.cut, 1,
                                    mat.data(), fb.data(), share.data(), &u[1]);
          vec_scale(m, -1.0, fa.data());
          vec_scale(m, -1.0, fb.data());
          vec_copy(m, da.data(), dd.data());
          vec_copy(m, db.data(), dd.data() + m);
          vec_copy(m, fa.data(), c.data());
          vec_copy(m, fb.data(), c.data() + m);
          fit_metric_gradient(Interaction::overlap, aux->atoms, first, stride, 2, dd.data(), c.data(),
                              share.data());
        } else {
          fit_three_centre_gradient(Interaction::overlap, orb.atoms, aux->atoms, pairs, o.cut, 1,
                                    mat.data(), fa.data(), share.data(), &u[0]);
          vec_scale(m, -1.0, fa.data());
          fit_metric_gradient(Interaction::overlap, aux->atoms, first, stride, 1, d.data(), fa.data(),
                              share.data());
        }
        share.collect();
        stage_end(overlap);
      } else {
        stage_start(coulomb);
        if (!o.closed) {
          load(rec::Da, mat.data(), n2);
          fit_three_centre_gradient(Interaction::coulomb, orb.atoms, aux->atoms, pairs, o.cut, 1,
                                    mat.data(), fa.data(), share.data());
          load(rec::Db, mat.data(), n2);
          fit_three_centre_gradient(Interaction::coulomb, orb.atoms, aux->atoms, pairs, o.cut, 1,
                                    mat.data(), fb.data(), share.data());
          for (int k = 0; k < m; ++k) {
            c[k] = 0.5 * d[k] - fa[k];
            c[m + k] = 0.5 * d[k] - fb[k];
          }
          vec_copy(m, da.data(), dd.data());
          vec_copy(m, db.data(), dd.data() + m);
          fit_metric_gradient(Interaction::coulomb, aux->atoms, first, stride, 2, dd.data(), c.data(),
                              share.data());
        } else {
          fit_three_centre_gradient(Interaction::coulomb, orb.atoms, aux->atoms, pairs, o.cut, 1,
                                    mat.data(), fa.data(), share.data());
          for (int k = 0; k < m; ++k) c[k] = 0.5 * d[k] - fa[k];
          fit_metric_gradient(Interaction::coulomb, aux->atoms, first, stride, 1, d.data(), c.data(),
                              share.data());
        }
        share.collect();
        stage_end(coulomb);
      }
      write_gradient(g.data(), n3);
      if (o.grid) grid_stage(xc_gradient_fitted);
    }
  }
  if (basis2) release_basis(*basis2);
  release_basis(basis);
  release_molecule(mol);
}

}  // namespace ostrel
