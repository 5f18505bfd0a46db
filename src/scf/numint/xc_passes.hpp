#pragma once

namespace ostrel {

// The exchange-correlation passes over the store records; every node calls them together and
// only the master reads and writes the store.

// Fitted density: reads "functional", "closed", "grid_fine", "Grid", "grid_W"/"grid_W1",
// "da", "db"; writes "Ex", "Ec", "fa", "fb".
void xc_fitted_pass();

// Orbital density: reads "Da", "Db"; adds the exchange-correlation matrices to "Fa", "Fb"
// and writes "Ex", "Ec".
void xc_orbital_pass();

// Fitted-density kernel for the Newton step: reads "da", "db", "ND1", "da1", "db1", "d2loc";
// writes "fa1", "fb1".
void xc_kernel_pass();

// Nuclear gradient: read "Gradient", add the exchange-correlation term on the final grid and
// write it back. The orbital pass reads "Da", "Db" over "Basis"; the fitted pass "da", "db"
// over "Basis2"; both "grid_W" and the partition "atomic_d" over "Basis2".
void xc_gradient_orbital();
void xc_gradient_fitted();

}  // namespace ostrel
