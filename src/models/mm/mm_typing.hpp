#pragma once
#include "model/molecule_record.hpp"

namespace ostrel {

// Gives every atom without a type name one from its element and its number of bonded
// neighbours, in the names of the shipped parameter set: H on carbon "H", on oxygen "HO",
// on nitrogen "HN"; carbon, nitrogen and oxygen by neighbour count ("C4", "C3", "C2",
// "N3", "N2", "N1", "O2", "O1"); any other atom the element symbol and its count. A
// molecule without any bond is connected first by the rule of the molecule keyword
// "connect". Prints the assignment (master) and returns the number of atoms typed.
int mm_assign_types(Molecule& mol);

}  // namespace ostrel
