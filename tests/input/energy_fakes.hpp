#pragma once
// Stand-ins for the Kohn-Sham steps of the energy driver: each counts its calls and prints a
// marker; the master, which holds the records, gets what the real steps leave behind.
#include <cstdio>
#include <string>

#include "input/energy_driver.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"

namespace ostrel::testing {

struct EnergyCalls {
  int guess = 0, scf = 0, save = 0, report = 0, gradient = 0;
  std::string saved_file, reported_theory;
  int saved_basis = -1;
  double gmax = 1e-7;  // the SCF's largest orbital gradient
};
inline EnergyCalls calls;

inline void fake_guess() {
  ++calls.guess;
  std::printf("<guess>\n");
}
inline void fake_scf() {
  ++calls.scf;
  std::printf("<scf>\n");
  if (!is_master) return;
  store_put("Energy", -76.25);
  const double dipole[3] = {0.0, 0.0, 0.75};
  store_write("Dipole", 0, dipole, sizeof dipole);
  store_write("scf_Gmax", 0, &calls.gmax, sizeof calls.gmax);
  const int fock[2] = {11 * calls.scf, 2};
  store_write("NevalF", 0, fock, sizeof fock);
}
inline void fake_save(const char* file, int n_basis) {
  ++calls.save;
  calls.saved_file = file;
  calls.saved_basis = n_basis;
  std::printf("<save>\n");
}
inline void fake_report(const char* theory) {
  ++calls.report;
  calls.reported_theory = theory;
  std::printf("<report>\n");
}
inline void fake_gradient() {
  ++calls.gradient;
  std::printf("<gradient>\n");
  if (!is_master) return;
  const double g[6] = {0.0, 0.0, 0.001, 0.0, 0.0, -0.001};
  store_write("Gradient", 0, g, sizeof g);
}

inline constexpr EnergyProcedures kFakes{fake_guess, fake_scf, fake_save, fake_report, fake_gradient};

}  // namespace ostrel::testing
