#pragma once

namespace ostrel {

// Lebedev orders tried, in turn, for each radial shell while the grid is built.
inline constexpr int kGridOrderCount = 22;
inline constexpr int kGridOrders[kGridOrderCount] = {
    26,   50,   110,  194,  302,  434,  590,  770,  974,  1202, 1454,
    1730, 2030, 2354, 2702, 3074, 3470, 3890, 4334, 4802, 5294, 5810};

struct RadialPoint {
  double r;
  double w;
};

// Shell s (0 .. n-1, outward) of an n-shell logarithmic radial rule with scale alpha:
// x = (s+1)/(n+1), r = -alpha ln(1 - x^3), w = 3 alpha x^2 / ((n+1)(1 - x^3)).
RadialPoint radial_point(int n, int s, double alpha);

// The n points of a Lebedev rule scaled to radius r, turned by the column-major orientation
// and moved to `centre`: points as (x, y, z) triples, weights w_Lebedev 4 pi r^2 w_r.
// Returns n, or 0 (writing nothing) when no rule has n points.
int shell_points(int n, double* points, double* weights, const double centre[3],
                 const double orientation[9], double r, double w_r);

// Sorts the points of one shell (order[0..n)) into cells of direction (bands of cos(theta)
// times sectors of phi), so that consecutive points are neighbours in space and a run of them
// meets few functions. key: 2n ints, cell_start: n / 24 + 2 ints.
void sort_by_direction(int* order, int n, const double* points, const double centre[3], int* key,
                       int* cell_start);

// Orientation of the grid of `atom` among n atoms (xyz atom-major): the eigenvectors, as the
// columns of a column-major 3 x 3 matrix with ascending eigenvalues, of
// M = sum over the other atoms B of exp(-|d|^2/8) (d d^T - |d|^2 I), d = R_atom - R_B.
// The matrix follows the molecule when it is rotated, so the grid turns with it.
void grid_orientation(int atom, int n, const double* xyz, double orientation[9]);


// Atoms whose functions can reach a shell of radius r around `atom` (n atoms, xyz
// atom-major): B is listed when |R_atom - R_B| - r < 0 or (|R_atom - R_B| - r)^2 <
// atom_extent2[B]; the atom itself always is, at list[*self]. Returns the list length.
int shell_neighbours(int atom, double r, int n, const double* xyz, const double* atom_extent2,
                     int* list, int* self);

}  // namespace ostrel
