#include "scf/procedure/scf_electrons.hpp"

#include "input/element_table.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

ScfElectrons scf_count_electrons(const Molecule& mol, const std::int32_t* atoms,
                                 const int necp[2]) {
  ScfElectrons e{};
  for (int s = 0; s < 2; ++s) {
    long long nuclear = 0;
    int core = 0, minimal = 0;
    for (int a = 0; a < mol.n_atoms; ++a) {
      if (s == 1 && mol.fragment_of[a] != 0) continue;
      const int z = mol.z[a];
      if (z < 0 || z >= kElementCount) fatal_error("\n atom # %d: Z=%d?\n", a + 1, z);
      nuclear += z;
      core += atoms[z * kElementFields + EL_CORE_ORBITALS];
      minimal += atoms[z * kElementFields + EL_ORBITALS];
    }
    const ElectronCount n = electron_count(nuclear - mol.charges[s], mol.multiplicities[s]);
    if (!n.legal) fatal_error(" illegal charge/multiplicity\n");
    e.na[s] = n.alpha;
    e.nb[s] = n.beta;
    e.ncore[s] = core;
    e.nactive[s] = minimal;
    if (necp[0] > 0) {
      e.ncore[s] = necp[s];
      e.na[s] -= necp[s];
      e.nb[s] -= necp[s];
      e.nactive[s] -= necp[s];
      // A potential for an ion stripped below its core would leave negative valence counts.
      if (e.nb[s] < 0 || e.nactive[s] < 0)
        fatal_error("\n core potentials replace %d orbitals of %d electrons\n", necp[s],
                    n.alpha + n.beta);
    }
  }
  return e;
}

}  // namespace ostrel
