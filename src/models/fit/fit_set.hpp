#pragma once
// The reference set of a parameter fit: molecules with their reference results, and
// reactions whose energies combine those of the molecules. Shared by every fitted model.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model/molecule_record.hpp"

namespace ostrel {

// One reference molecule: structure and the reference results it came with.
struct FitMolecule {
  std::string name, file;
  int n = 0;
  int charge = 0, multiplicity = 1;
  std::vector<int> z;
  std::vector<double> xyz, mass;
  std::vector<char> types;  // n slots of NAME_SLOT, as the model labels the atoms
  std::vector<int> bonds;   // n x MAX_NEIGHBOURS, both directions
  double w[6] = {};         // weights: energy, gradient, bond forces, angle forces, Hessian, dipole
  double energy = 0.0, dipole[3] = {};
  std::vector<double> gradient, hessian;  // empty when not given
};

// A view of the molecule for models that take the run's molecule layout; valid while m lives.
struct FitMoleculeView {
  Molecule mol{};
  int charges[1], multiplicities[1];
  explicit FitMoleculeView(FitMolecule& m);
};

// Reaction energy sum_k c_k E(molecule_k) against a reference (hartree).
struct FitReaction {
  std::string name;
  double energy = 0.0, weight = 1.0;
  std::vector<int> molecule;  // indices into the set
  std::vector<double> c;
};

// The group "file" (default weights "w=...", then lines "name file w=..."), each file holding
// a "$molecule" group and the results as an "energy" group (an "eng>" block without its
// tag). `label` lets the model type the atoms of each loaded molecule.
std::vector<FitMolecule> fit_read_set(std::FILE* input, const std::function<void(Molecule&)>& label = {});

// The group "reactions", absent meaning none: lines "name E=energy [w=weight]" open a
// reaction, lines "molecule c=coefficient" give its entries.
std::vector<FitReaction> fit_read_reactions(std::FILE* input, const std::vector<FitMolecule>& set);

}  // namespace ostrel
