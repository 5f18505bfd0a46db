#!/usr/bin/env python3
"""Psi4 reference energies and SCF iteration counts for the radical and hard-case SCF tests.

Model shared with Ostrel's fit=J, fitxc=0 runs: PBE/def2-SVP (pure functions), Coulomb fitted
in the Coulomb metric with def2-universal-jfit (Psi4's def2-svp-jfit), exchange-correlation
from the orbital density on a 200 x 974 unpruned grid (Treutler radii and partition), RKS for
closed shells and UKS otherwise; e_convergence 1e-10, d_convergence 1e-8; coordinates in
angstrom exactly as written (no reorientation, no recentring, no symmetry).

Run with Psi4 1.3 (Debian package psi4), one thread:
  OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 PYTHONPATH=/usr/lib/x86_64-linux-gnu \
    /usr/bin/python3 tools/scf_radicals_psi4_reference.py [--header FILE] [name ...]
Prints one line per molecule: name, energy, iterations. With --header, also writes the energies
with the molecules as the C++ header the tests read (tests/scf/procedure/generated/scf_radicals_psi4_reference.hpp).
"""
import sys

import psi4

# name: (charge, multiplicity, "symbol x y z" lines)
MOLECULES = {
    "OH_097": (0, 2, "O 0 0 0\nH 0 0 0.97"),
    "OH_105": (0, 2, "O 0 0 0\nH 0 0 1.05"),
    "OH_120": (0, 2, "O 0 0 0\nH 0 0 1.20"),
    "OH_off_axis": (0, 2, "O 0.000529177 0 0\nH 0 0 0.97"),
    "NO": (0, 2, "N 0 0 0\nO 0 0 1.15"),
    "CH2_triplet": (0, 3, "C 0 0 0.1\nH 0 0.99 -0.4\nH 0 -0.99 -0.4"),
    "CN": (0, 2, "C 0 0 0\nN 0 0 1.17"),
    "HCO": (0, 2, "C 0 0 0\nO 0 0 1.18\nH 0.917444 0 -0.642397"),
    "NH2": (0, 2, "N 0 0 0\nH 0 0.80363 -0.63468\nH 0 -0.80363 -0.63468"),
    "CH3": (0, 2, "C 0 0 0\nH 1.079 0 0\nH -0.5395 0.934441 0\nH -0.5395 -0.934441 0"),
    "O2_triplet": (0, 3, "O 0 0 0\nO 0 0 1.21"),
    "vinyl": (0, 2, "C 0 0 0\nC 1.32 0 0\nH -0.78986 0.73657 0\nH 1.8625 0.93964 0\n"
                    "H 1.8625 -0.93964 0"),
    "allyl": (0, 2, "C 0 0.48 0\nC 1.23 -0.22 0\nC -1.23 -0.22 0\nH 0 1.565 0\nH 2.17 0.33 0\n"
                    "H 1.25 -1.30 0\nH -2.17 0.33 0\nH -1.25 -1.30 0"),
    "phenyl": (0, 2, "C 1.39 0 0\nC 0.695 1.203775 0\nC -0.695 1.203775 0\nC -1.39 0 0\n"
                     "C -0.695 -1.203775 0\nC 0.695 -1.203775 0\nH 1.235 2.139082 0\n"
                     "H -1.235 2.139082 0\nH -2.47 0 0\nH -1.235 -2.139082 0\nH 1.235 -2.139082 0"),
    "O_triplet": (0, 3, "O 0 0 0"),
    "Mg2plus": (2, 1, "Mg 0 0 0"),
    "H2_stretched": (0, 1, "H 0 0 0\nH 0 0 2.5"),
    "NiCO4": (0, 1, "Ni 0 0 0\n"
                    "C 1.062324 1.062324 1.062324\nC -1.062324 -1.062324 1.062324\n"
                    "C -1.062324 1.062324 -1.062324\nC 1.062324 -1.062324 -1.062324\n"
                    "O 1.726277 1.726277 1.726277\nO -1.726277 -1.726277 1.726277\n"
                    "O -1.726277 1.726277 -1.726277\nO 1.726277 -1.726277 -1.726277"),
    "ferrocene": (0, 1, "Fe 0 0 0\n" + "\n".join(
        "C %.6f %.6f %.6f" % (1.2165 * c, 1.2165 * s, z) for z in (1.66, -1.66)
        for c, s in ((1, 0), (0.309017, 0.951057), (-0.809017, 0.587785), (-0.809017, -0.587785),
                     (0.309017, -0.951057))) + "\n" + "\n".join(
        "H %.6f %.6f %.6f" % (2.2965 * c, 2.2965 * s, z) for z in (1.66, -1.66)
        for c, s in ((1, 0), (0.309017, 0.951057), (-0.809017, 0.587785), (-0.809017, -0.587785),
                     (0.309017, -0.951057)))),
    "CuCl4": (-2, 2, "Cu 0 0 0\nCl 2.26 0 0\nCl -2.26 0 0\nCl 0 2.26 0\nCl 0 -2.26 0"),
    "CuAq4": (2, 2, "Cu 0 0 0\nO 1.95 0 0\nH 2.536 0 0.757\nH 2.536 0 -0.757\nO -1.95 0 0\nH -2.536 0 0.757\n"
                    "H -2.536 0 -0.757\nO 0 1.95 0\nH 0 2.536 0.757\nH 0 2.536 -0.757\nO 0 -1.95 0\n"
                    "H 0 -2.536 0.757\nH 0 -2.536 -0.757"),
}


HARD = {"NiCO4"}  # need a converged start (see run)


def run(name, scf_type="df"):
    charge, mult, atoms = MOLECULES[name]
    psi4.core.clean()
    mol = psi4.geometry("%d %d\n%s\nunits angstrom\nsymmetry c1\nno_reorient\nno_com\n" % (
        charge, mult, atoms))
    psi4.set_options({
        "basis": "def2-svp", "puream": True, "scf_type": scf_type, "df_basis_scf": "def2-svp-jfit",
        "reference": "rks" if mult == 1 else "uks",
        "dft_radial_points": 200, "dft_spherical_points": 974, "dft_radial_scheme": "treutler",
        "dft_nuclear_scheme": "treutler", "e_convergence": 1e-10, "d_convergence": 1e-8,
        "maxiter": 200})
    if name in HARD:
        # Psi4's DIIS alone oscillates for 200 iterations here: converge on a small grid with
        # damping and second-order steps first, then start the reference grid from those orbitals.
        psi4.set_options({"dft_radial_points": 75, "dft_spherical_points": 302, "damping_percentage": 20,
                          "soscf": True, "e_convergence": 1e-6, "d_convergence": 1e-5})
        psi4.energy("pbe", molecule=mol)
        psi4.set_options({"dft_radial_points": 200, "dft_spherical_points": 974, "guess": "read",
                          "damping_percentage": 0, "e_convergence": 1e-10, "d_convergence": 1e-8})
    energy = psi4.energy("pbe", molecule=mol)
    psi4.core.clean_options()
    print("%-14s %.10f %d" % (name, energy, psi4.variable("SCF ITERATIONS")), flush=True)
    return energy


HEADER = """// Psi4 %s energies (hartree) of the radical SCF tests with their molecules (atoms as
// "Z x y z" lines in angstrom), written by tools/scf_radicals_psi4_reference.py; do not edit.
#pragma once

namespace ostrel::radicals_psi4 {

struct Reference {
  int charge, multiplicity;
  const char* atoms;
  double energy;
};

%s
}  // namespace ostrel::radicals_psi4
"""

ATOMIC_NUMBERS = {"H": 1, "C": 6, "N": 7, "O": 8, "Mg": 12, "Cl": 17, "Fe": 26, "Ni": 28, "Cu": 29}


def atom_lines(atoms):
    """The atoms as the C string of a cartesian molecule group: " Z x y z\\n" per atom."""
    return "".join(" %d %s\\n" % (ATOMIC_NUMBERS[line.split()[0]], line.split(None, 1)[1])
                   for line in atoms.split("\n"))


def write_header(path, energies):
    lines = "".join("constexpr Reference k%s = {%d, %d, \"%s\", %.10f};\n" % (
        name[0].upper() + name[1:], MOLECULES[name][0], MOLECULES[name][1], atom_lines(MOLECULES[name][2]),
        energy) for name, energy in energies.items())
    with open(path, "w") as f:
        f.write(HEADER % (psi4.__version__, lines))


def main():
    psi4.core.set_output_file("/dev/null", False)
    psi4.set_num_threads(1)
    psi4.set_memory("4 GB")
    args = sys.argv[1:]
    header = None
    if args[:1] == ["--header"]:
        header, args = args[1], args[2:]
    energies = {}
    for name in args or MOLECULES:
        try:
            energies[name] = run(name)
        except RuntimeError:  # in-core fitting of the larger complexes asks for too much memory
            energies[name] = run(name, "disk_df")
    if header:
        write_header(header, energies)


if __name__ == "__main__":
    main()
