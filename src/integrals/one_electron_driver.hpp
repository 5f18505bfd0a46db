#pragma once

namespace ostrel {

// Record names of the S,T,V step; a null name skips that output (the molecule and the
// basis are required, a null ECP name means no core potentials).
struct OneElectronRecords {
  const char* molecule = "Molecule";
  const char* ecp = nullptr;
  const char* basis = "Basis";
  const char* overlap = "S";
  const char* hamiltonian = "H";
  const char* kinetic = "T";
  const char* moments = "Sxyz";  // x, y, z, then xx, xy, xz, yy, yz, zz (9 packed matrices)
  const char* magnetic[2] = {nullptr, nullptr};
  const char* atom_offsets = nullptr;   // first function of each atom, natom + 1 ints
  const char* shell_offsets = nullptr;  // first function of each shell, shells + 1 ints
};

// The S,T,V step, called on every node: packed S, T, H = T + V (+ core potentials) - F . r
// and the moment matrices go to the store on the master. nuclear_energy receives the nuclear
// repulsion plus D . F and nuclear_dipole D = sum Z_i R_i (both on every node; either may
// be null). epsilon is the pair screening cut-off (0: the fixed limit).
void one_electron_integrals(const OneElectronRecords& records, double* nuclear_energy, const double field[3],
                            double* nuclear_dipole, int relativistic, double epsilon);

// Sum over atom pairs of Z_i Z_j / |R_i - R_j| (xyz: 3 per atom, bohr). When given, the
// gradient (3 per atom) and the Hessian (packed lower triangle of order 3 natom) are
// written, not added. Pairs with a zero charge product are skipped, so ghost centres may
// sit anywhere; two charged atoms on one point are a fatal error.
double nuclear_repulsion(int natom, const double* xyz, const double* charge, double* gradient,
                         double* hessian);

// D = sum Z_i R_i.
void nuclear_dipole(int natom, const double* xyz, const double* charge, double* dipole);

}  // namespace ostrel
