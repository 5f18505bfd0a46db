#include "geometry/optimize_common.hpp"

#include <cmath>
#include <cstdio>

#include "linalg/vector_ops.hpp"
#include "model/molecule_writer.hpp"
#include "model/structure_print.hpp"
#include "runtime/store.hpp"

namespace ostrel {

void request_initial_grid() {
  const int grid = store_get<int>("grid");
  store_put("Opt.newgrid", grid);
  store_put("grid_adapt", grid);
  store_put("Opt.step", 0);
}

void grid_decade_control(int step, double gmax) {
  const int k = static_cast<int>(std::lround(std::log10(gmax + 1e-10)));
  int loggmin = step == 0 ? k : store_get<int>("Opt.loggmin");
  int newgrid = 0;
  if (k < loggmin) {
    newgrid = store_get<int>("grid");
    loggmin = k;
  } else if (k > loggmin + 1) {
    loggmin = k;
  }
  store_put("Opt.loggmin", loggmin);
  store_put("Opt.newgrid", newgrid);
  store_put("grid_adapt", newgrid);
}

void write_geometry(Molecule& mol, const double* xyz) {
  vec_copy(3 * mol.n_atoms, xyz, mol.xyz);
  store_molecule("Molecule", mol);
}

void print_structure(const Molecule& mol, bool converged, double energy) {
  const char* tag = converged ? "MOL>" : "mol>";
  std::printf("\n");
  write_molecule_group(mol, tag, 1);
  if (converged) std::printf("MOL> Energy = %15.8lf\n", energy);
  print_coordinates(mol.z, mol.xyz, mol.n_atoms, 1);
}

void finish_step(int step, bool converged, int max_steps) {
  const int next = step + 1;
  store_put("Opt.step", next);
  store_put("Opt.exits", converged || next >= max_steps ? 1 : 0);
}

}  // namespace ostrel
