#pragma once
// def2-SVP and its Coulomb-fitting set on the geometry of the Psi4 Coulomb references.
#include "generated/coulomb_psi4_reference_data.hpp"
#include "test_shells.hpp"

namespace ostrel::testing {

class ReferenceBases : public RuntimeTest {
 protected:
  const TestBasis orb{psi4_coulomb::kSvpShells, psi4_coulomb::kSvpShellCount, psi4_coulomb::kCoordinates, 3};
  const TestBasis aux{psi4_coulomb::kJfitShells, psi4_coulomb::kJfitShellCount, psi4_coulomb::kCoordinates, 3};
};

}  // namespace ostrel::testing
