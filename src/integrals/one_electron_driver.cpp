#include "integrals/one_electron_driver.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "integrals/basis_adapter.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

double nuclear_repulsion(int natom, const double* xyz, const double* charge, double* gradient,
                         double* hessian) {
  const int n3 = 3 * natom;
  if (gradient)
    for (int i = 0; i < n3; ++i) gradient[i] = 0.0;
  if (hessian)
    for (long i = 0; i < static_cast<long>(n3) * (n3 + 1) / 2; ++i) hessian[i] = 0.0;
  auto h = [&](int r, int c) -> double& {  // packed element, either order
    return r >= c ? hessian[static_cast<long>(r) * (r + 1) / 2 + c]
                  : hessian[static_cast<long>(c) * (c + 1) / 2 + r];
  };
  double energy = 0.0;
  for (int i = 1; i < natom; ++i)
    for (int j = 0; j < i; ++j) {
      const double zz = charge[i] * charge[j];
      if (zz == 0.0) continue;
      double d[3];
      for (int k = 0; k < 3; ++k) d[k] = xyz[3 * i + k] - xyz[3 * j + k];
      const double r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
      if (r2 == 0.0) fatal_error("\n %d: atoms %d and %d coincide\n", node_id, j + 1, i + 1);
      const double r = std::sqrt(r2);
      const double e = zz / r;
      energy += e;
      const double e3 = e / r2;
      if (gradient)
        for (int k = 0; k < 3; ++k) {
          gradient[3 * i + k] -= e3 * d[k];
          gradient[3 * j + k] += e3 * d[k];
        }
      if (hessian)
        for (int a = 0; a < 3; ++a)
          for (int b = 0; b < 3; ++b) {
            const double v = e3 * (3.0 * d[a] * d[b] / r2 - (a == b ? 1.0 : 0.0));
            // each unordered element once: the diagonal atom blocks by their lower half
            if (b <= a) {
              h(3 * i + a, 3 * i + b) += v;
              h(3 * j + a, 3 * j + b) += v;
            }
            h(3 * i + a, 3 * j + b) -= v;
          }
    }
  return energy;
}

void nuclear_dipole(int natom, const double* xyz, const double* charge, double* dipole) {
  dipole[0] = dipole[1] = dipole[2] = 0.0;
  for (int i = 0; i < natom; ++i)
    for (int k = 0; k < 3; ++k) dipole[k] += charge[i] * xyz[3 * i + k];
}

namespace {

void clear(double* p, long n) {
  for (long i = 0; i < n; ++i) p[i] = 0.0;
}

// Adds V into the master's h: node k takes the atoms k, k + N, ...; after each pass the
// master receives the other nodes' row blocks (contiguous in the packed triangle).
void add_attraction(const AtomSet& atoms, double epsilon, std::span<const PointCharge> charges, double* h) {
  const long n2 = packed_size(atoms.first_function[atoms.natom]);
  if (node_count == 1) {
    add_packed_matrices(PairOperator::attraction, atoms, epsilon, {charges, nullptr}, 0, 1, h);
    return;
  }
  long largest = 1;
  for (int a = 0; a < atoms.natom; ++a) {
    const long f0 = atoms.first_function[a], f1 = atoms.first_function[a + 1];
    largest = std::max(largest, f1 * (f1 + 1) / 2 - f0 * (f0 + 1) / 2);
  }
  PoolArray<double> rows(is_master ? largest : n2);
  if (!is_master) clear(rows.data(), n2);
  for (int pass = 0; pass < atoms.natom; pass += node_count) {
    const int mine = pass + node_id;
    if (mine < atoms.natom)
      add_packed_matrices(PairOperator::attraction, atoms, epsilon, {charges, nullptr}, mine, atoms.natom,
                          is_master ? h : rows.data());
    for (int k = 1; k < node_count && pass + k < atoms.natom; ++k) {
      const int a = pass + k;
      const long f0 = atoms.first_function[a], f1 = atoms.first_function[a + 1];
      const long begin = f0 * (f0 + 1) / 2, count = f1 * (f1 + 1) / 2 - begin;
      if (count == 0) continue;
      if (is_master) {
        mp_recv(rows.data(), count, MP_DOUBLE, k);
        for (long i = 0; i < count; ++i) h[begin + i] += rows[i];
      } else if (node_id == k) {
        mp_send(rows.data() + begin, count, MP_DOUBLE, 0);
      }
    }
  }
}

}  // namespace

void one_electron_integrals(const OneElectronRecords& records, double* nuclear_energy, const double field[3],
                            double* dipole_out, int relativistic, double epsilon) {
  if (relativistic != 0) fatal_error("\n %d: relativistic one-electron integrals are not available\n", node_id);
  if (records.magnetic[0] || records.magnetic[1])
    fatal_error("\n %d: magnetic one-electron integrals are not available\n", node_id);
  if (is_master) {
    std::printf("\n S,T,V Integrals:");
    std::fflush(stdout);
  }
  Molecule mol = load_molecule(1, records.molecule);
  Basis basis = load_basis(1, records.basis, mol);
  {
    const int n = basis.n_functions;
    const long n2 = packed_size(n);
    if (is_master && records.atom_offsets)
      record_save(Record<int>{records.atom_offsets}, basis.atom_first_function, basis.n_atoms + 1L);
    if (is_master && records.shell_offsets)
      record_save(Record<int>{records.shell_offsets}, basis.shell_first_function, basis.n_shells + 1L);

    // Every node forms the same nuclear terms, so every caller sees them.
    double dipole[3];
    double energy = nuclear_repulsion(mol.n_atoms, mol.xyz, mol.charge, nullptr, nullptr);
    nuclear_dipole(mol.n_atoms, mol.xyz, mol.charge, dipole);
    const bool has_field = field && (field[0] != 0.0 || field[1] != 0.0 || field[2] != 0.0);
    if (has_field) energy += dipole[0] * field[0] + dipole[1] * field[1] + dipole[2] * field[2];
    if (nuclear_energy) *nuclear_energy = energy;
    if (dipole_out)
      for (int k = 0; k < 3; ++k) dipole_out[k] = dipole[k];

    BasisViews views(basis, mol);
    PoolArray<PointCharge> charges(std::max(1, mol.n_atoms));
    for (int i = 0; i < mol.n_atoms; ++i)
      charges[i] = {{mol.xyz[3 * i], mol.xyz[3 * i + 1], mol.xyz[3 * i + 2]},
                    mol.charge[i],
                    mol.point ? 0.0 : mol.nucleus_a[i]};
    const std::span<const PointCharge> nuclei(charges.data(), static_cast<std::size_t>(mol.n_atoms));
    PoolArray<double> h(std::max(1L, n2));

    timer("One-Electron Integrals", '-');
    if (is_master && records.overlap) {
      clear(h.data(), n2);
      add_packed_matrices(PairOperator::overlap, views.atoms, epsilon, {}, 0, 1, h.data());
      record_save(Record<double>{records.overlap}, h.data(), n2);
    }
    // The dipole matrices are needed for the field term even when nobody stores them.
    const bool moments = records.moments || (records.hamiltonian && has_field);
    PoolArray<double> dipoles(moments && is_master ? 9 * n2 : 1);
    if (moments && is_master) {
      const double origin[3] = {0.0, 0.0, 0.0};
      clear(dipoles.data(), 9 * n2);
      add_packed_matrices(PairOperator::moments, views.atoms, epsilon, {{}, origin}, 0, 1, dipoles.data());
      if (records.moments) record_save(Record<double>{records.moments}, dipoles.data(), 9 * n2);
    }
    if (records.hamiltonian) {
      clear(h.data(), n2);
      if (is_master) {
        add_packed_matrices(PairOperator::kinetic, views.atoms, epsilon, {}, 0, 1, h.data());
        if (records.kinetic) record_save(Record<double>{records.kinetic}, h.data(), n2);
      }
      add_attraction(views.atoms, epsilon, nuclei, h.data());
    }
    timer("One-Electron Integrals", '+');

    if (records.hamiltonian && records.ecp) {
      timer("ECP Integrals", '-');
      PoolArray<EcpBlock> blocks(std::max(1, mol.n_atoms));
      if (is_master) record_read(Record<EcpBlock>{records.ecp}, blocks.data(), mol.n_atoms);
      mp_bcast(blocks.data(), static_cast<std::int64_t>(sizeof(EcpBlock)) * mol.n_atoms, MP_BYTE);
      PotentialViews potentials(blocks.data(), mol);
      PoolArray<double> u(std::max(1L, n2));
      clear(u.data(), n2);
      add_core_potential_matrix(views.shells, potentials.potentials, node_id, node_count, u.data());
      mp_sum(u.data(), n2, MP_DOUBLE);
      if (is_master)
        for (long i = 0; i < n2; ++i) h[i] += u[i];
      timer("ECP Integrals", '+');
    }

    if (is_master && records.hamiltonian) {
      if (has_field)
        for (long i = 0; i < n2; ++i)
          h[i] -= field[0] * dipoles[i] + field[1] * dipoles[n2 + i] + field[2] * dipoles[2 * n2 + i];
      record_save(Record<double>{records.hamiltonian}, h.data(), n2);
    }
  }
  release_basis(basis);
  release_molecule(mol);
}

}  // namespace ostrel
