// Psi4 1.3.2 energies (hartree) of the radical SCF tests, written by
// tools/scf_radicals_psi4_reference.py; do not edit.
#pragma once

namespace ostrel::radicals_psi4 {

constexpr double kOH_097 = -75.5812583861;
constexpr double kOH_105 = -75.5789868143;
constexpr double kOH_120 = -75.5584247123;
constexpr double kOH_off_axis = -75.5812583886;
constexpr double kNO = -129.6602205578;
constexpr double kCH2_triplet = -39.0584201251;
constexpr double kCN = -92.5345227302;
constexpr double kHCO = -113.6402359985;
constexpr double kNH2 = -55.7557561019;
constexpr double kCH3 = -39.7396612784;
constexpr double kO2_triplet = -150.0658634397;
constexpr double kVinyl = -77.7305496183;
constexpr double kAllyl = -117.0027277755;
constexpr double kPhenyl = -231.0874474069;
constexpr double kO_triplet = -74.9146973295;
constexpr double kMg2plus = -199.0318878712;
constexpr double kH2_stretched = -0.9585592138;
constexpr double kNiCO4 = -1960.5140450274;
constexpr double kFerrocene = -1649.6875363380;
constexpr double kCuCl4 = -3479.6353172016;
constexpr double kCuAq4 = -1944.5711775474;

}  // namespace ostrel::radicals_psi4
