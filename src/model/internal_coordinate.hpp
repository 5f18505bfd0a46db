#pragma once

namespace ostrel {

// One internal coordinate: type (1 stretch, 2 bend, 3 torsion, 4 bend-1, 5 bend-2) and
// four 0-based atom indices, -1 where the type needs fewer atoms. Sets of coordinates end
// with a record of type 0.
struct InternalCoordinate {
  int type;
  int i, j, k, l;
};

}  // namespace ostrel
