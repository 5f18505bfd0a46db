#include "geometry/external_energy.hpp"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

struct ExchangeFiles {
  char in[32];
  char out[32];
};

ExchangeFiles exchange_files() {
  ExchangeFiles f{};
  const int pid = static_cast<int>(getpid());
  std::snprintf(f.in, sizeof f.in, "z%d.in", pid);
  std::snprintf(f.out, sizeof f.out, "z%d.out", pid);
  return f;
}

void remove_files(const ExchangeFiles& f) {
  std::remove(f.in);
  std::remove(f.out);
}

// The files go before the stop: the stop ends the process without returning here.
[[noreturn]] void stop(const ExchangeFiles& f, const std::string& line) {
  remove_files(f);
  fatal_error("%s\n", line.c_str());
}

void write_input(const ExchangeFiles& f, int level) {
  Molecule mol = load_molecule(0, "Molecule");
  std::FILE* in = std::fopen(f.in, "w");
  bool ok = in != nullptr;
  if (ok) {
    ok = std::fprintf(in, " %d\n %d %d\n %d\n", level, mol.charges[0], mol.multiplicities[0], mol.n_atoms) > 0;
    for (int a = 0; ok && a < mol.n_atoms; ++a)
      ok = std::fprintf(in, " %3d %20.13e %20.13e %20.13e\n", mol.z[a], mol.xyz[3 * a], mol.xyz[3 * a + 1],
                        mol.xyz[3 * a + 2]) > 0;
    ok = std::fclose(in) == 0 && ok;
  }
  release_molecule(mol);
  if (!ok) stop(f, " " + std::string(f.in) + ": cannot be written");
}

// The command's numbers, one whitespace-separated token at a time; every token must be a
// whole finite number (what "%lf" would half-read or take as nan stops the run).
class NumberReader {
 public:
  NumberReader(const ExchangeFiles& f) : files_(f), file_(std::fopen(f.out, "r")) {
    if (!file_) stop(files_, " " + std::string(files_.out) + ": missing (the command wrote no output file)");
  }
  ~NumberReader() {
    if (file_) std::fclose(file_);
  }
  NumberReader(const NumberReader&) = delete;
  NumberReader& operator=(const NumberReader&) = delete;

  // `what` names the value in the message, e.g. "gradient component 4 of 9".
  double next(const std::string& what) {
    char token[256];
    if (std::fscanf(file_, "%255s", token) != 1) fail(what + " missing");
    char* end = nullptr;
    const double value = std::strtod(token, &end);
    if (std::strlen(token) >= sizeof token - 1 || end == token || *end != '\0' || !std::isfinite(value))
      fail(what + " is not a number ('" + std::string(token).substr(0, 40) + "')");
    return value;
  }

 private:
  [[noreturn]] void fail(const std::string& what) {
    std::fclose(file_);
    file_ = nullptr;
    stop(files_, " " + std::string(files_.out) + ": " + what);
  }
  const ExchangeFiles& files_;
  std::FILE* file_;
};

std::string item(const char* name, std::int64_t k, std::int64_t n) {
  return std::string(name) + " " + std::to_string(k + 1) + " of " + std::to_string(n);
}

}  // namespace

void external_energy() {
  if (!is_master) return;
  const ExchangeFiles files = exchange_files();
  const int level = record_get(rec::Derivative);
  const std::int64_t n3 = 3 * std::int64_t{record_field(rec::Natom, &PerStructure::whole)};
  write_input(files, level);

  const char* env = std::getenv("energy");
  const std::string command = env && env[0] ? env : "energy";
  // Grouped, so that the files belong to the whole command (a pipeline's first stage would
  // otherwise read our own input file) and a trailing comment cannot swallow them.
  const std::string line = "(\n" + command + "\n) < " + files.in + " > " + files.out;
  // Our own buffered report must not end up behind what the command prints.
  std::fflush(stdout);
  if (std::system(line.c_str()) != 0) stop(files, " command failed");

  const std::int64_t packed = level >= 2 ? n3 * (n3 + 1) / 2 : 0;
  PoolArray<double> gradient(n3 > 0 ? n3 : 1), hessian(packed > 0 ? packed : 1);
  double energy = 0.0;
  {
    NumberReader out(files);
    energy = out.next("energy");
    for (std::int64_t k = 0; k < n3; ++k) gradient[k] = out.next(item("gradient component", k, n3));
    for (std::int64_t k = 0; k < packed; ++k) hessian[k] = out.next(item("Hessian element", k, packed));
  }
  remove_files(files);

  record_put(rec::Energy, energy);
  record_write(rec::Gradient, gradient.data(), n3);
  if (level >= 2) record_write(rec::Hessian, hessian.data(), packed);
  std::printf("\n\n Energy=%16.10lf\n\n", energy);
  std::fflush(stdout);
}

}  // namespace ostrel
