#pragma once
#include "model/molecule_record.hpp"

namespace ostrel {

// Gives every atom without a type name one from its element and its bonded neighbours, in
// the names of the shipped parameter set: H on oxygen "HO", on nitrogen "HN", otherwise "H";
// trigonal carbon "CO" when it carries an oxygen or sulphur with no other bond (carbonyl),
// "CA" in a six-membered ring of trigonal carbon and two-bonded nitrogen or a five-membered
// one with one lone-pair donor (aromatic), else "C3" (olefinic); a three-bonded nitrogen
// "NP" when aromatic or bonded to a trigonal carbon (amide, enamine, aniline), else "N3";
// every other atom the element symbol and its neighbour count ("C4", "C2", "N2", "N1",
// "O2", "O1", ...). A molecule without any bond is connected first by the rule of the
// molecule keyword "connect". Prints the assignment (master) and returns the number of atoms
// typed.
int mm_assign_types(Molecule& mol);

}  // namespace ostrel
