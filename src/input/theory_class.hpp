#pragma once

namespace ostrel {

// 1 when `theory` (upper case) belongs to the class "DFT", "GRID", "CI", "FIT" or "DUAL";
// 0 otherwise, and for every other class name.
int theory_in_class(const char* theory, const char* class_name);

}  // namespace ostrel
