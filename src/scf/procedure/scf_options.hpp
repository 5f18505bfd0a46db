#pragma once
#include <cstdio>

#include "scf/xc/xc_functional.hpp"

namespace ostrel {

// What the SCF options depend on besides the groups themselves.
struct ScfContext {
  char theory[64];   // upper case
  int four;
  int fit;           // fitting kind as a character code, 0 none
  int nbasis;
  int nbasis1;       // second wavefunction basis, 0 when none
  int nfit;
  int na[2], nb[2];  // electrons per structure (whole molecule, first fragment), after ECP
  int ncore[2];      // core orbitals per spin from the element table or the ECP
};

// The groups "scf", "integral" and "dft" with every default applied.
struct ScfOptions {
  int restricted;        // "restrict"
  int closed;
  int core[2];           // "Ncore"
  double convergence[2];
  int fitxc;
  int procedure;         // 1 BFGS, 2 NR, -1 DIIS
  int iterations[2];
  double xmax;           // "scf.xmax"
  int diag;              // "scf_diag"
  int d1small;
  int n3fit;             // "N3fit"
  int d2local;           // "d2loc"
  int d2svs;
  int d2exc;             // "form_d2Exc"
  int density_sets;      // 1, 2 for OSDFT, 3 for TDDFT
  double cutij[2];
  double ricut;
  int direct;
  int storage;           // "v_typ"
  int routine;           // "v_alg"
  int pad;
  char functional_name[64];
  XcFunctional functional;
};

// Reads the three groups from `input` and applies the defaults for `context` (no store use).
ScfOptions scf_read_options(std::FILE* input, const ScfContext& context);

// The calculation header and the " scf options:" lines.
void scf_print_header(const ScfOptions& options, const ScfContext& context, int n_atoms,
                      int charge, int multiplicity);

// Set-up once per calculation, entered by all nodes: the master counts the electrons of
// "Molecule", reads the groups, prints the header and writes and creates the SCF records;
// the options are then broadcast and returned on every node.
ScfOptions scf_setup_options(std::FILE* input);
void scf_setup_options();  // from the input file (standard input)

}  // namespace ostrel
