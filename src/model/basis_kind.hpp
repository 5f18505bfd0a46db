#pragma once
#include <cstdint>

#include "model/basis_record.hpp"

namespace ostrel {

// Builds the kind record of one (element, set) pair from its shells as read (exponents
// scaled, coefficients carrying the primitive normalisation) into `record`, or only sizes
// it when `record` is null. Contractions are normalised in the overlap metric, or in the
// Coulomb metric when `coulomb` is set. Returns the record size in bytes.
std::int64_t build_kind(const ShellSlot* raw, int n_raw, int relativistic, int coulomb,
                        int element, void* record);

}  // namespace ostrel
