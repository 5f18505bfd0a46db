#pragma once
#include <cstdio>

namespace ostrel {

// The scalar options of the group "guess" (the orbital orders go straight to the store).
struct GuessOptions {
  int skip;      // "guess.skip"
  int read;      // "guess.read": 0 minimal basis, >= 1 vector file, < 0 the group "ce"
  int mix;       // "guess.mix", cleared for restricted calculations
  int localize;  // "guess.loc"
};

// Entered by all nodes after the SCF set-up (it needs "Nbasis" and "restrict"): the master
// reads the group "guess" and, when "read" < 0, the group "ce", and writes "guess.skip",
// "guess_na", "guess_nb" (2 Nbasis 0-based entries each), "guess.read", "guess.mix",
// "guess.loc" and "guess_Ca", "guess_ea", "guess_Cb", "guess_eb"; the options are broadcast.
GuessOptions guess_read_options(std::FILE* input);
// The same from the standard input, as the common set-up calls it.
void guess_read_options();

// The initial guess of the SCF (all nodes): minimal basis, vector file or the group "ce",
// as "guess.read" says; then the orbital orders, mixing, localisation and saving.
void initial_guess();
// Atomic calculations, then the guess assembled from fragments.
void fragment_guess();

}  // namespace ostrel
