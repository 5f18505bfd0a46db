#!/bin/sh
# External energy program for the theory "script" (examples/morse_script.inp): a Morse
# potential V(r) = De (1 - exp(-a (r - re)))^2 between every pair of atoms, with the
# parameters of H2 (hartree and bohr). Input and output as in examples/pair_potential.awk.
exec awk -v kind=morse -v De=0.1745 -v a=1.0282 -v re=1.4011 -f "$(dirname "$0")/pair_potential.awk"
