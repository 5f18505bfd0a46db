#pragma once

namespace ostrel {

// Task "MULTIPLY": times the matrix multiply for the sizes of the group "test" (keys
// "nabc": triples NA, NB, NC; "nnn": budget in millions of multiply-adds). Collective.
void run_multiply_test();

}  // namespace ostrel
