#!/usr/bin/python3
"""Ostrel input for an xyz file: PBE/def2-SVP, Coulomb fitted, XC on the orbital density.
Usage: xyz_input.py FILE.xyz TASK [GROUP_TEXT ...]  (extra groups appended as given)"""
import sys

Z = {'H': 1, 'C': 6, 'N': 7, 'O': 8, 'F': 9, 'S': 16, 'Cl': 17}
lines = open(sys.argv[1]).read().split("\n")
n = int(lines[0])
print("$control task=%s theory=dft basis=def2-svp fit=J $end" % sys.argv[2])
print("$molecule\n cartesian")
for line in lines[2:2 + n]:
    s, x, y, z = line.split()
    print(" %d %s %s %s" % (Z[s], x, y, z))
print("$end\n$dft functional=pbe $end\n$scf fitxc=0 $end")
for extra in sys.argv[3:]:
    print(extra)
