// Wall time of the S,T,V step (no moments) for a molecule read from an xyz file with a def2
// family: one_electron_bench FILE.xyz LIBRARY [repeats]. Prints the median.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "integrals/one_electron_driver.hpp"
#include "model/basis_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

using namespace ostrel;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FILE.xyz LIBRARY [repeats]\n", argv[0]);
    return 1;
  }
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
  std::ifstream xyz(argv[1]);
  int natom = 0;
  std::string line;
  xyz >> natom;
  std::getline(xyz, line);
  std::getline(xyz, line);
  std::ostringstream input;
  input << "$molecule cartesian\n";
  for (int i = 0; i < natom; ++i) {
    std::string symbol;
    double x, y, z;
    xyz >> symbol >> x >> y >> z;
    const int charge = symbol == "H" ? 1 : symbol == "C" ? 6 : symbol == "N" ? 7 : symbol == "O" ? 8 : 0;
    input << ' ' << charge << ' ' << x << ' ' << y << ' ' << z << '\n';
  }
  input << "$end\n";
  pool_init(std::int64_t{512} << 20);
  store_open("", -512);
  const std::string text = input.str();
  std::FILE* old = stdin;
  stdin = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  read_molecule("Molecule", "", "molecule", 1, 0);
  std::fclose(stdin);
  stdin = old;
  read_basis(argv[2], "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
  const int n = store_get<int>("Nbasis");
  OneElectronRecords r;
  r.moments = nullptr;
  const double field[3] = {0.0, 0.0, 0.0};
  double energy = 0.0, dipole[3];
  std::vector<double> times;
  for (int k = 0; k < repeats; ++k) {
    const auto start = std::chrono::steady_clock::now();
    one_electron_integrals(r, &energy, field, dipole, 0, 1e-12);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    store_free("H");
    store_free("T");
    store_free("S");
  }
  std::sort(times.begin(), times.end());
  std::printf("ostrel %d atoms, %d functions: S,T,V median of %d: %.4f s\n", natom, n, repeats,
              times[times.size() / 2]);
  store_close();
  return 0;
}
