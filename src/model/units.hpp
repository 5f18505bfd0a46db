#pragma once
#include <numbers>

namespace ostrel {

// Physical constants and unit conversions; every part of the program takes them from here.
inline constexpr double kBohrPerAngstrom = 1.8897259885789233;  // input geometries
// Written geometries use the exact inverse, so that they read back unchanged.
inline constexpr double kAngstromPerBohrExact = 1.0 / kBohrPerAngstrom;
inline constexpr double kAngstromPerBohr = 0.529177249;  // printed structures, element radii
inline constexpr double kDegreesPerRadian = 57.29577951308232;
inline constexpr double kRadiansPerDegree = 0.017453292519943295;
inline constexpr double kWavenumbersPerHartree = 219474.6;

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kPiToThreeHalves = 5.568327996831708;    // Gaussian overlap integrals
inline constexpr double kTwoPiToFiveHalves = 34.986836655249725;  // 2 pi^(5/2), Coulomb integrals

}  // namespace ostrel
