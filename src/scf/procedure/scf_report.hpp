#pragma once

namespace ostrel {

// The report after an SCF: energy components, dipole and the listings chosen by the print
// options. Every node calls it (some listings are collective).
void scf_report(const char* theory);

}  // namespace ostrel
