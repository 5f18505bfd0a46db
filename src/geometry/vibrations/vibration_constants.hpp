#pragma once
// Unit factors of the vibrational analysis, thermochemistry and anharmonic scans.

namespace ostrel {

// Electron masses per atomic mass unit (CODATA). Masses in amu times this are in atomic units.
inline constexpr double kElectronMassesPerAmu = 1822.888486;
inline constexpr double kHartreeToKcal = 627.5095515769344;
inline constexpr double kBoltzmann = 1.380658e-23;          // J/K
inline constexpr double kHartreeJoule = 4.3597482e-18;      // J
inline constexpr double kStandardPressure = 101325.0;       // Pa
inline constexpr double kBohrCubed = 1.4818474347690475e-31;  // m^3
inline constexpr double kGasConstant = 0.0019872158728366637;  // kcal/(mol K)
// |dmu/dQ|^2 (e^2 / electron mass) to km/mol, and d(alpha)/dQ activities to A^4/amu, both
// times kElectronMassesPerAmu.
inline constexpr double kInfraredFactor = 974.8939;
inline constexpr double kRamanFactor = 0.07841599489687914;
inline constexpr double kSpeedOfLight = 137.0359895;       // atomic units
inline constexpr double kDefaultTemperature = 298.15;      // K
inline constexpr int kMaxTemperatures = 64;
// Curvature given to translations and rotations so that they sort after every vibration.
inline constexpr double kExternalCurvature = 1000.0;

}  // namespace ostrel
