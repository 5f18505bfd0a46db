#!/bin/sh
# External energy program for the theory "script" (examples/double_well_irc.inp): a
# symmetric double well in the distance of every atom pair, V(r) = D ((r - c)^2 - w^2)^2,
# with a barrier D w^4 at r = c between minima at c - w and c + w (hartree and bohr). Input
# and output as in examples/pair_potential.awk.
exec awk -v kind=well -v D=0.5 -v c=2.0 -v w=0.4 -f "$(dirname "$0")/pair_potential.awk"
