#pragma once
// Water of the RI-J reference set (bohr) with def2-SVP and its universal Coulomb-fitting set
// from the basis library, as "Molecule", "Basis" and "Basis2".
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "coulomb_psi4_reference_data.hpp"
#include "model/basis_input.hpp"
#include "model/molecule_input.hpp"
#include "support/input_file.hpp"

namespace ostrel::testing {

inline void read_water_with_fit_sets() {
  using namespace psi4_coulomb;
  char text[256];
  std::snprintf(text, sizeof text, "$molecule units=b cartesian\n 8 %.17g %.17g %.17g\n 1 %.17g %.17g %.17g\n"
                " 1 %.17g %.17g %.17g\n$end\n", kWaterCoordinates[0], kWaterCoordinates[1], kWaterCoordinates[2],
                kWaterCoordinates[3], kWaterCoordinates[4], kWaterCoordinates[5], kWaterCoordinates[6],
                kWaterCoordinates[7], kWaterCoordinates[8]);
  with_stdin(text, [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
  const std::string lib = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";
  ::testing::internal::CaptureStdout();
  read_basis(lib.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
  read_basis(lib.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, 1);
  ::testing::internal::GetCapturedStdout();
}

}  // namespace ostrel::testing
