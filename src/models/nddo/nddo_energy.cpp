// The energy driver's entry for the theory "NDDO": the master evaluates, the records carry
// the results to the tasks.
#include "models/nddo/nddo_energy.hpp"

#include <cstdio>

#include "input/theory_class.hpp"
#include "model/molecule_record.hpp"
#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_model_energy.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {

void nddo_energy() {
  if (!is_master) return;
  const int level = record_get(rec::Derivative);
  Molecule mol = load_molecule(0, "Molecule");
  {
    PoolArray<NddoElement> data(kNddoSlots);
    record_read(rec::nddo_data, data.data(), kNddoSlots);
    double field[3] = {0, 0, 0};
    if (record_exists(rec::field)) record_read(rec::field, field, 3);
    // Later evaluations start from the orbitals of the previous one.
    const int nbf = nddo_function_count(mol, data.data());
    const std::int64_t nn = std::int64_t{nbf} * nbf;
    PoolArray<double> orbitals(nn + 1);
    bool given = true, first = false;
    if (record_count(rec::nddo_Ca) == nn) {
      record_read(rec::nddo_Ca, orbitals.data(), nn);
    } else {
      first = true;
      if (record_get_or(rec::guess_nc, 0) == nbf && record_count(rec::guess_Ca) >= nn)
        record_read(rec::guess_Ca, orbitals.data(), nn);
      else
        given = false;
    }
    // The first evaluation occupies the orbitals in the order the group "order" gave.
    PoolArray<int> order(nbf + 1);
    const bool ordered = first && record_count(rec::guess_na) >= nbf;
    if (ordered) record_read(rec::guess_na, order.data(), nbf);
    PoolArray<double> gradient(3 * std::int64_t{mol.n_atoms});
    const int print = print_option("PRINT", "NDDO", 0) > 0;
    const NddoResult r =
        nddo_model_energy(mol, data.data(), field, given ? orbitals.data() : nullptr, ordered ? order.data() : nullptr,
                          orbitals.data(), level >= 1 ? gradient.data() : nullptr, print);
    record_save(rec::nddo_Ca, orbitals.data(), nn);
    std::printf("\n NDDO total energy=%18.10lf  heat of formation=%14.6lf kcal/mol\n", r.total, r.heat);
    std::printf(" electronic=%18.8lf eV  core-core=%18.8lf eV  iterations=%d%s\n", r.electronic,
                r.core, r.iterations, r.converged ? "" : "  (not converged)");
    const double dipole[3] = {r.dipole[0], r.dipole[1], r.dipole[2]};
    record_save(rec::Energy, &r.energy, 1);
    record_save(rec::Dipole, dipole, 3);
    record_put(rec::scf_Gmax, r.gmax);
    if (!r.converged) raise_exit_status(kExitUnconverged);
    if (level >= 1) record_save(rec::Gradient, gradient.data(), 3 * std::int64_t{mol.n_atoms});
  }
  release_molecule(mol);
}

}  // namespace ostrel
