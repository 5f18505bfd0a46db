#include "input/theory_class.hpp"

#include <cstring>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"

namespace ostrel {

namespace {

struct TheoryClass {
  const char* name;
  const char* prefix;          // members also include every name beginning with it
  const char* const* members;  // null-terminated
};

const char* const kDft[] = {"DFT", "TDDFT", "DFT_CNO", "LEDFT", "RIDFT", nullptr};
const char* const kGrid[] = {"DFT", "TDDFT", "DFT_CNO", "RIDFT", "LEDFT", "RIHFDF", nullptr};
const char* const kCi[] = {"MP3",     "MP4D",     "MP4DQ",    "MP4SDQ",   "MP4SDTQ", "PT3",
                           "PT4DQ",   "PT4SDQ",   "PT4SDTQ",  "CID",      "CISD",    "CCD",
                           "CCD4S",   "CCD4ST",   "CCSD4T#1", "CCSD4T#2", "CCSD4T",  "CCSD",
                           "CCSDSD",  "CCD&MP2",  "LCCD+MP2", nullptr};
const char* const kFit[] = {"DFT",      "TDDFT",    "OSDFT",     "DFT_CNO",   "LEDFT", "LEHF",
                            "LEHF_N3",  "LEMP2_N3", "RIDFT",     "TEST_VMNN", "TEST_VNNNN",
                            nullptr};
const char* const kDual[] = {"CCD&MP2", "SN_CCD&MP2", "SN_CCSD&MP2", nullptr};

const TheoryClass kClasses[] = {
    {"DFT", nullptr, kDft},  {"GRID", "R_", kGrid}, {"CI", nullptr, kCi},
    {"FIT", "RI", kFit},     {"DUAL", nullptr, kDual},
};

}  // namespace

int theory_in_class(const char* theory, const char* class_name) {
  for (const TheoryClass& c : kClasses) {
    if (std::strcmp(c.name, class_name) != 0) continue;
    if (c.prefix && std::strncmp(theory, c.prefix, std::strlen(c.prefix)) == 0) return 1;
    for (const char* const* m = c.members; *m; ++m)
      if (std::strcmp(theory, *m) == 0) return 1;
    return 0;
  }
  return 0;
}

int print_option(const char* record, const char* word, int broadcast) {
  char text[65] = {};
  if (is_master) record_read(Record<char>{record}, text, 64);
  if (broadcast) mp_bcast(text, 64, MP_BYTE);
  text[64] = '\0';
  if (!word[0]) return 0;
  const char* at = std::strstr(text, word);
  if (!at) return 0;
  if (at == text) return 1;
  if (at[-1] == '-') return -1;
  if (at[-1] == '+') return 1;
  return 0;
}

}  // namespace ostrel
