#pragma once

namespace ostrel {

// Atoms whose functions can reach a shell of radius r around `atom` (n atoms, xyz
// atom-major): B is listed when |R_atom - R_B| - r < 0 or (|R_atom - R_B| - r)^2 <
// atom_extent2[B]; the atom itself always is, at list[*self]. Returns the list length.
int shell_neighbours(int atom, double r, int n, const double* xyz, const double* atom_extent2,
                     int* list, int* self);

// The function G that keeps the partition densities positive (scale 1e-7).
double partition_density(double rho);

// Stockholder weight of a point of the listed atom `self`, from the free-atom densities
// rho[j] of the listed atoms: g_self^(4/3) / sum_j g_j^(4/3) with g = G(rho); 0 when the sum
// is not positive.
double partition_weight(const double* rho, int n_list, int self);

// The same with orbital free-atom densities, each raised to at least 1e-12 instead of G.
double partition_weight_orbital(const double* rho, int n_list, int self);

}  // namespace ostrel
