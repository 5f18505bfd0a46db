#include "input/control_options.hpp"

#include <cctype>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>

#include "input/group.hpp"
#include "input/library_file.hpp"
#include "input/theory_class.hpp"
#include "model/units.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

constexpr int kMaxWeights = 1024;
constexpr int kMaxWaves = 128;

struct Control {
  char task[64] = "gradient";
  char theory[64] = "dft";
  int state[2] = {0, -1};
  int four = 0;
  char nucleus[64] = "";
  char basis[128] = "";
  char derivative[64] = "";
  double field[3] = {0, 0, 0};
  double wavelength[kMaxWaves];
  char fit[64] = "";  // one character is used; the room keeps longer words harmless
  char save[128] = "";
  char print[128] = "";
};

void upper_case(char* text) {
  for (; *text; ++text) *text = static_cast<char>(std::toupper(static_cast<unsigned char>(*text)));
}

void read_control_group(std::FILE* input, Control& c, double* weights) {
  const InputVar vars[] = {
      {"task", IN_TEXT, sizeof c.task, c.task},
      {"theory", IN_TEXT, sizeof c.theory, c.theory},
      {"state", IN_INT, 2, c.state},
      {"weight", IN_REAL, kMaxWeights, weights},
      {"four", IN_INT, 1, &c.four},
      {"nucleus", IN_TEXT, sizeof c.nucleus, c.nucleus},
      {"basis", IN_TEXT, sizeof c.basis, c.basis},
      {"derivative", IN_TEXT, sizeof c.derivative, c.derivative},
      {"field", IN_REAL, 3, c.field},
      {"wavelength", IN_REAL, kMaxWaves, c.wavelength},
      {"fit", IN_TEXT, sizeof c.fit, c.fit},
      {"save", IN_TEXT, sizeof c.save, c.save},
      {"print", IN_TEXT, sizeof c.print, c.print},
  };
  read_group(input, "control", static_cast<int>(std::size(vars)), vars);
  for (char* text : {c.task, c.theory, c.nucleus, c.fit, c.derivative, c.print}) upper_case(text);
}

// Excited-state theories always carry at least the requested state and the ground state.
void settle_states(const char* theory, int state[2]) {
  if (std::strcmp(theory, "CIS") == 0 || std::strcmp(theory, "TDDFT") == 0) {
    if (state[0] == 0) state[0] = 1;
    if (state[1] == -1) state[1] = 6;
    if (state[1] < state[0] + 1) state[1] = state[0] + 1;
  }
  if (state[1] == -1) state[1] = 1;
  if (state[0] < 0 || state[0] >= kMaxWeights || state[1] < 1 || state[1] > kMaxWeights)
    fatal_error("\n state=%d,%d: the index must lie in 0..%d and the count in 1..%d\n",
                state[0], state[1], kMaxWeights - 1, kMaxWeights);
}

void normalise_weights(const int state[2], double* weights) {
  double sum = 0;
  for (int i = 0; i < state[1]; ++i) sum += weights[i];
  if (sum != 0) {
    for (int i = 0; i < state[1]; ++i) weights[i] /= sum;
  } else {
    weights[state[0]] = 1;
  }
}

int point_nuclei(const Control& c) {
  if (c.nucleus[0] == '\0') return c.four == 0;
  return std::strcmp(c.nucleus, "FINITE") != 0;
}

int fitting_kind(const Control& c) {
  int kind;
  if (c.fit[0] == '\0')
    kind = theory_in_class(c.theory, "FIT") ? 'V' : 0;
  else
    kind = c.fit[0] == '0' ? 0 : static_cast<unsigned char>(c.fit[0]);
  if (std::strncmp(c.theory, "RI", 2) == 0) kind = 'V';
  return kind;
}

int derivative_mode(const Control& c) {
  if (c.derivative[0] == '\0') {
    bool analytic = (std::strcmp(c.theory, "DFT") == 0 && (c.four == 0 || c.four == 1)) ||
                    std::strcmp(c.theory, "SCRIPT") == 0;
    return analytic ? 0 : 2;
  }
  if (std::strcmp(c.derivative, "ANALYTIC") == 0) return 0;
  if (std::strcmp(c.derivative, "NUMERIC") == 0) return 2;
  fatal_error(" %s?\n", c.derivative);
}

// Fills `wave` with the frequencies of the wavelength list and returns their number.
int frequencies(const double* wavelength, double* wave) {
  int n = 0;
  while (n < kMaxWaves && wavelength[n] >= 0) {
    if (n == 0) std::printf("\n");
    wave[n] = wavelength_to_hartree(wavelength[n]);
    if (wavelength[n] != 0)
      std::printf(" wavelength=%10.5lf nm : energy=%10.8lf au\n", wavelength[n], wave[n]);
    ++n;
  }
  if (n == 0) wave[n++] = 0;
  return n;
}

void split_save(const char* save, std::string& scfsave, std::string& nosave) {
  const char* colon = std::strchr(save, ':');
  if (!colon) {
    scfsave = save;
    nosave.clear();
  } else {
    scfsave.assign(save, colon);
    nosave = colon + 1;
  }
}

}  // namespace

double wavelength_to_hartree(double nm) {
  return nm == 0 ? 0.0 : 1e7 / (nm * kWavenumbersPerHartree);
}

void control_step(std::FILE* input) {
  if (!is_master) return;
  Control c;
  for (double& w : c.wavelength) w = -1;
  PoolArray<double> weights(kMaxWeights);
  for (double& w : weights) w = 0;
  read_control_group(input, c, weights.data());

  settle_states(c.theory, c.state);
  normalise_weights(c.state, weights.data());
  int point = point_nuclei(c);
  int dual = theory_in_class(c.theory, "DUAL");
  int fit = fitting_kind(c);

  int mode = derivative_mode(c);
  double length = 0.001;
  int steps[2] = {0, -1};
  int displace = mode != 0 ? mode : 2;
  const InputVar vars[] = {
      {"length", IN_REAL, 1, &length},
      {"displace", IN_INT, 1, &displace},
      {"steps", IN_INT, 2, steps},
  };
  // A d2edr2 group asks for differences of gradients; without a derivative key it was once
  // read past in silence, and a Hessian split over runs was computed whole by each of them.
  const bool given = read_group(input, "d2edr2", 3, vars) > 0;
  if (mode == 0 && given && c.derivative[0] == '\0') {
    std::printf("\n second derivatives by differences of gradients, as the d2edr2 group asks\n");
    mode = displace;
  } else if (mode != 0) {
    mode = displace;
  } else {
    length = 0.001, steps[0] = 0, steps[1] = -1;
  }

  double wave[kMaxWaves];
  int nwave = frequencies(c.wavelength, wave);
  int polariz[2] = {0, std::strcmp(c.theory, "DFT") == 0 && c.four == 0};

  std::string bfname = library_file_name(c.basis);
  if (bfname.size() > 127) fatal_error("\n library file name too long: '%s'\n", bfname.c_str());
  if (!bfname.empty()) std::printf("\n library file: '%s'\n", bfname.c_str());

  std::string scfsave, nosave;
  split_save(c.save, scfsave, nosave);

  const int zero = 0;
  record_put(rec::fit, fit);
  record_put_text(rec::task, c.task, 64);
  record_put_text(rec::theory, c.theory, 64);
  record_put(rec::state, StateRange{c.state[0], c.state[1]});
  record_write(rec::weight, weights.data(), c.state[1]);
  record_put(rec::four, c.four);
  record_put(rec::point, point);
  record_put(rec::dual, dual);
  record_write(rec::field, c.field, 3);
  record_put(rec::num_nd, mode);
  record_put(rec::num_dx, length);
  record_put(rec::num_kd, DisplacementSteps{steps[0], steps[1]});
  record_put(rec::nwave, nwave);
  record_write(rec::wave, wave, nwave);
  record_write(rec::polariz, polariz, 2);
  record_put_text(rec::PRINT, c.print, 128);
  record_put(rec::NEval, zero);
  record_put(rec::grid, zero);
  record_put(rec::magnetic, zero);
  record_put_text(rec::scfsave, scfsave, 128);
  record_put_text(rec::nosave, nosave, 128);
  record_put_text(rec::bfname, bfname, 128);
}

}  // namespace ostrel
