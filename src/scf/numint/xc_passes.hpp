#pragma once

namespace ostrel {

// Grid passes of the exchange-correlation functional; every node calls them together and
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

}  // namespace ostrel
