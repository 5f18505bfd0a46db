// Force-field parameter fitting: the force field as a fitted model and the parameters the
// reference set depends on.
#include "models/mm/mm_fit.hpp"

#include <algorithm>
#include <cstdio>

#include "models/fit/fit_set.hpp"
#include "models/mm/mm_parameter_index.hpp"
#include "models/mm/mm_parameter_reader.hpp"
#include "models/mm/mm_parameter_writer.hpp"
#include "models/mm/mm_terms.hpp"
#include "models/mm/mm_typing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

void typed(Molecule& mol) { mm_assign_types(mol); }

// The change of a reference angle that costs as much as the prior's unit (radian).
constexpr double kThetaScale = 0.05;

}  // namespace

// An angle between two bonds of one type pair has no first and second arm: its two
// stretch-bend constants move together (the first is fitted).
void MmFitModel::renew() {
  for (int c = 0; c < p_.ntypes; ++c)
    for (int b = 0; b < MM_BONDS_PER_TYPE; ++b) {
      const int r = p_.angle_index[c][b][b];
      if (r >= 0) p_.angle[r].p[4] = p_.angle[r].p[3];
    }
}

double MmFitModel::evaluate(std::size_t, const FitMolecule& m, double* gradient, double* hessian, double dipole[3]) {
  std::vector<double> g(gradient ? 0 : 3 * m.n);
  const MmStructure s{m.n, m.xyz.data(), m.types.data(), m.bonds.data()};
  return mm_terms(s, p_, dipole, gradient ? gradient : g.data(), hessian);
}

std::vector<FitParameter> mm_fit_selection(const std::vector<FitMolecule>& set, MmParameters& p) {
  std::vector<char> atom(MM_TYPES, 0), bond(MM_BOND_RECORDS, 0), angle(MM_ANGLE_RECORDS, 0);
  std::vector<char> coupled(MM_ANGLE_RECORDS, 0);
  std::vector<char> t1(MM_TORSION_RECORDS, 0), t2(MM_TORSION_RECORDS, 0);
  for (const FitMolecule& m : set) {
    const bool curvature = m.w[4] > 0.0 && !m.hessian.empty();
    std::vector<int> type(m.n);
    for (int a = 0; a < m.n; ++a) {
      type[a] = mm_type_index(p, m.types.data() + NAME_SLOT * a);
      if (type[a] >= 0) atom[type[a]] = 1;
    }
    auto nb = [&](int a) { return m.bonds.data() + MAX_NEIGHBOURS * a; };
    for (int j = 0; j < m.n; ++j)
      for (const int* x = nb(j); *x >= 0; ++x) {
        if (type[j] < 0 || type[*x] < 0) continue;
        const int b = mm_bond_record(p, type[j], type[*x]);
        if (b >= 0) bond[b] = 1;
        for (const int* y = nb(j); *y >= 0; ++y) {
          if (*y == *x || type[*y] < 0) continue;
          const int a = mm_angle_record(p, type[*x], type[j], type[*y]);
          if (a >= 0) angle[a] = 1;
          if (a >= 0 && curvature) coupled[a] = type[*x] == type[*y] ? 2 : std::max<char>(coupled[a], 3);
          for (const int* z = nb(*y); *z >= 0; ++z) {
            if (*z == j || *z == *x || type[*z] < 0) continue;
            const int r1 = mm_torsion_record(p, 1, type[*x], type[j], type[*y], type[*z]);
            const int r2 = mm_torsion_record(p, 2, type[*x], type[j], type[*y], type[*z]);
            if (r1 >= 0) t1[r1] = 1;
            if (r2 >= 0) t2[r2] = 1;
          }
        }
      }
  }
  // Charges and repulsion keep their starting values: gradients of a few structures per
  // molecule do not determine them, and freed they drift to unphysical values. Stretch-bend
  // couplings are fitted only for angles a reference Hessian sees. E0 and the torsion
  // barriers are fitted only when some energy carries weight.
  bool energies = false;
  for (const FitMolecule& m : set) energies = energies || m.w[0] > 0.0;
  std::vector<FitParameter> x;
  auto add = [&](const std::string& name, double* v, double scale = 0.0) { x.push_back({name, v, scale}); };
  for (int t = 0; t < p.ntypes && energies; ++t)
    if (atom[t]) add(std::string(p.type_names[t]) + ":E0", &p.atom[t].p[0]);
  for (int b = 0; b < MM_BOND_RECORDS; ++b)
    if (bond[b]) {
      add("bond" + std::to_string(b + 1) + ":r0", &p.bond[b].p[0]);
      add("bond" + std::to_string(b + 1) + ":k", &p.bond[b].p[1]);
    }
  for (int a = 0; a < MM_ANGLE_RECORDS; ++a)
    if (angle[a]) {
      // A straight centre stays straight and uncoupled.
      const bool straight = p.angle[a].p[0] >= MM_STRAIGHT;
      // Curvature alone would shift all reference angles of a centre together (strain that
      // softens or stiffens its bends); a few degrees already weigh as much as doubling k.
      if (!straight) add("angle" + std::to_string(a + 1) + ":theta0", &p.angle[a].p[0], kThetaScale);
      add("angle" + std::to_string(a + 1) + ":k", &p.angle[a].p[1]);
      if (coupled[a] == 0 || straight) continue;
      add("angle" + std::to_string(a + 1) + ":krr", &p.angle[a].p[2]);
      add("angle" + std::to_string(a + 1) + ":kr1t", &p.angle[a].p[3]);
      if (coupled[a] == 3) add("angle" + std::to_string(a + 1) + ":kr2t", &p.angle[a].p[4]);
    }
  // Torsion barriers are energy differences between conformers: gradients and Hessians at
  // minima see them only through their curvature, which the fit then trades against the bends
  // (the barrier of ethane turned negative).
  for (int t = 0; t < MM_TORSION_RECORDS && energies; ++t) {
    if (t1[t]) add("torsion1." + std::to_string(t + 1) + ":V", &p.torsion1[t].p[1]);
    if (t2[t]) add("torsion2." + std::to_string(t + 1) + ":V", &p.torsion2[t].p[1]);
  }
  return x;
}

void mm_fit_parameters() {
  if (!is_master) return;
  const FitTask t = fit_read_task(stdin, typed);
  // The task runs without the common set-up: the starting set comes from the library file.
  if (!record_exists(rec::mmdata)) read_mm_parameters(record_text(rec::bfname).c_str(), "mmdata");
  PoolArray<MmParameters> p(1);
  record_read(rec::mmdata, p.data(), 1);
  std::vector<FitParameter> x = mm_fit_selection(t.set, p[0]);
  fit_print_parameters(x);
  MmFitModel model(p[0]);
  fit_minimise(model, t.set, t.reactions, x, t.options);
  std::printf("\n");
  write_mm_parameters(p[0]);
  record_save(Record<MmParameters>{"mm_data"}, p.data(), 1);
}

}  // namespace ostrel
