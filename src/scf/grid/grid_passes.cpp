#include "scf/grid/grid_passes.hpp"

#include <cstdint>
#include <cstdio>

#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "scf/grid/grid_build.hpp"
#include "scf/grid/grid_record.hpp"
#include "scf/grid/grid_weights.hpp"
#include "scf/xc/xc_functional.hpp"

namespace ostrel {
namespace {

constexpr const char* kTimer = "Grid Construction";

int broadcast_int(const char* name) {
  int value = is_master ? record_get(Record<int>{name}) : 0;
  mp_bcast(&value, 1, MP_INT);
  return value;
}

void broadcast_vector(const char* name, double* data, int n) {
  if (is_master) record_read(Record<double>{name}, data, n);
  mp_bcast(data, n, MP_DOUBLE);
}

struct WeightSink {
  const char* record;
  std::int64_t offset;  // points written so far
};

void write_weights(void* context, const double* w, int n) {
  auto* sink = static_cast<WeightSink*>(context);
  record_write(Record<double>{sink->record}, w, n, sink->offset);
  sink->offset += n;
}

void store_weights(const Grid& grid, const GridSystem& system) {
  const char* records[2] = {"grid_W", "grid_W1"};
  for (int k : {GRID_COARSE, GRID_FINAL}) {
    if (is_master) record_ensure(Record<double>{records[k]}, grid.n_points[k]);
    WeightSink sink{records[k], 0};
    grid_walk_weights(grid, system, k, write_weights, &sink);
  }
}

}  // namespace

void grid_build(const ShellSet& fit) {
  timer(kTimer, '-');
  Molecule mol = load_molecule(1, "Molecule");
  Grid grid = grid_read(1);
  XcFunctional f{};
  if (is_master) f = xc_store_read();
  mp_bcast(&f, sizeof f, MP_BYTE);
  const int closed = broadcast_int("closed");
  {
    const int nf = fit.n_functions;
    PoolArray<double> da(nf), db(nf);
    broadcast_vector("da", da.data(), nf);
    if (!closed) broadcast_vector("db", db.data(), nf);
    CellPartition cells = cell_partition(mol.n_atoms, mol.xyz, mol.z);
    const GridSystem system{mol.n_atoms, mol.xyz, &fit, &cells};
    const GridDensity density{da.data(), closed ? da.data() : db.data(), closed};
    // Both grids at once, each at its own accuracy: the final orders then follow from the
    // geometry and the starting density alone.
    grid_build_orders(grid, system, density, f, 1);
    cell_partition_release(cells);
  }
  if (is_master) {
    std::printf(" Grid: %8d points\n", grid.n_points[GRID_FINAL]);
    record_write(rec::Ngrid, grid.n_points, 2);
    grid_write(grid);
  }
  grid_release(grid);
  release_molecule(mol);
  timer(kTimer, '+');
}

void grid_weights(const ShellSet& fit) {
  timer(kTimer, '-');
  Molecule mol = load_molecule(1, "Molecule");
  Grid grid = grid_read(1);
  CellPartition cells = cell_partition(mol.n_atoms, mol.xyz, mol.z);
  store_weights(grid, GridSystem{mol.n_atoms, mol.xyz, &fit, &cells});
  cell_partition_release(cells);
  grid_release(grid);
  release_molecule(mol);
  timer(kTimer, '+');
}

}  // namespace ostrel
