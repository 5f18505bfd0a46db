#pragma once

namespace ostrel {

// Centres n positions (bohr, atom-major) on their unweighted mean and expresses them in
// the eigenvectors of the unit-weight second-moment tensor (ascending eigenvalues, a
// right-handed frame). Every output may be null: `rotated` (3n, may equal `xyz`), `centre`
// (3), `axes` (9, vector after vector), `largest` (largest distance from the centre).
void orient_structure(int n, const double* xyz, double* rotated, double* centre, double* axes,
                      double* largest);

}  // namespace ostrel
