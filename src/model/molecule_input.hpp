#pragma once

namespace ostrel {

// Reads occurrence `occurrence` of group `group` from `file` (empty: the input file) into
// record `record`. Returns 1 without writing when the occurrence is missing or has no atoms.
int read_molecule(const char* record, const char* file, const char* group, int occurrence,
                  int print);

// Reads every "$molecule" group of the input into "Molecule:000", "Molecule:001", ...
void read_molecule_chain();

// Centres n positions (bohr, atom-major) on their unweighted mean and expresses them in
// the eigenvectors of the unit-weight second-moment tensor (ascending eigenvalues, a
// right-handed frame). Every output may be null: `rotated` (3n, may equal `xyz`), `centre`
// (3), `axes` (9, vector after vector), `largest` (largest distance from the centre).
void orient_structure(int n, const double* xyz, double* rotated, double* centre, double* axes,
                      double* largest);

}  // namespace ostrel
