#pragma once
// The parameter-fitting tasks: "MM" fits force-field parameters, "NDDO" semi-empirical ones.

namespace ostrel {

void fit_parameters(int kind);  // 1 NDDO, 0 force field

}  // namespace ostrel
