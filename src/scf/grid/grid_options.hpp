#pragma once
#include <cstdint>
#include <cstdio>

namespace ostrel {

inline constexpr int kGridElements = 106;  // atomic numbers 0..105 (0 takes hydrogen's values)

// The group "grid". Values not given are negative until grid_apply_defaults.
struct GridOptions {
  int nradial[kGridElements];
  double size[kGridElements];
  double accuracy[2];  // final, coarse
  double cutoff[2];
  double small[2];
  int use43;
  int spare;
};

// Built-in radial shell counts and scales; accuracy 1e-8 and the rest not given.
GridOptions grid_default_options();
// Completes accuracy, cutoff and small after reading.
void grid_apply_defaults(GridOptions& options);
// Reads the group "grid" from `input` over the built-in values and completes them.
GridOptions grid_read_options(std::FILE* input);
// " grid: accuracy=..., cut=..." line.
void grid_print_options(const GridOptions& options);

// Set-up (master): reads the group, prints the options, stores "grid.Nrad", "Ngrid",
// "grid_accuracy", "grid_spare", "grid_fine" = 1 and the initial "Grid" for "Molecule"
// (orders 1202 final, 302 coarse, orientations zero) and creates "grid_W" and "grid_W1".
void grid_setup_options(std::FILE* input);
// Bytes the two weight records that grid_setup_options creates will take (master only).
std::int64_t grid_weight_bytes(std::FILE* input);
void grid_setup_options();  // from the input file (standard input)

}  // namespace ostrel
