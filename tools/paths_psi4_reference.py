#!/usr/bin/python3
"""Psi4 reference numbers for the HCN <-> HNC isomerisation (examples/hcn_saddle.inp,
examples/hcn_irc.inp and the long path tests).

  OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 PYTHONPATH=/usr/lib/x86_64-linux-gnu \
      /usr/bin/python3 tools/paths_psi4_reference.py [ts|minima|irc [forward|backward]|all]

Same model as the examples: RKS PBE/def2-SVP, RI-J with def2-universal-jfit (Psi4's
def2-svp-jfit), XC on the orbital density on a 200 x 974 Treutler grid. The transition state
comes from optking's TS search (opt_type TS, Hessian at the first step, gau_verytight) from
the guess of examples/hcn_saddle.inp; its Hessian by differences gives the imaginary
frequency. The IRC is optking's (irc_step_size 0.2 amu^1/2 bohr, which is Ostrel's radius 0.1:
its hypersphere radius is half the step), forward and backward, with the gradients it used
(the Hessian's included) and its wall and CPU time on one thread. "irc" alone starts from the
transition state below (this script's "ts", as in examples/hcn_irc.inp); "all" from the one it
has just found. Psi4 1.3.2's optking knows irc_direction, irc_step_size and irc_stop, not the
number of points: its IRC runs until it finds a minimum or reaches geom_maxiter.
"""
import os
import sys
import time

import numpy as np
import psi4

drv = sys.modules["psi4.driver.driver"]

# optking's transition state (angstrom, H C N), as printed by "ts".
TS_XYZ = np.array([[1.13460846, 0.0, 0.41088541], [0.0, 0.0, 0.0], [0.0, 0.0, 1.20066632]])

GUESS = """0 1
H  0.000000  1.150000  0.400000
C  0.000000  0.000000  0.000000
N  0.000000  0.000000  1.180000
units angstrom
symmetry c1
no_com
no_reorient"""

OPTIONS = {
    "basis": "def2-svp", "puream": True, "scf_type": "df", "df_basis_scf": "def2-svp-jfit",
    "reference": "rks", "dft_radial_points": 200, "dft_spherical_points": 974,
    "dft_radial_scheme": "treutler", "dft_nuclear_scheme": "treutler",
    "e_convergence": 1e-10, "d_convergence": 1e-10, "g_convergence": "gau_verytight", "geom_maxiter": 100,
}

calls = {"gradient": 0, "done": []}
_gradient = drv.gradient


def counted_gradient(*args, **kwargs):
    calls["gradient"] += 1
    result = _gradient(*args, **kwargs)
    calls["done"].append((calls["gradient"], time.time(), psi4.variable("CURRENT ENERGY")))
    return result


drv.gradient = counted_gradient
psi4.core.set_output_file("/dev/null", False)
psi4.set_num_threads(1)


def geometry_text(x):
    lines = ["0 1"] + ["%s %.10f %.10f %.10f" % (s, *r) for s, r in zip("HCN", x)]
    return "\n".join(lines + ["units angstrom", "symmetry c1", "no_com", "no_reorient"])


def summary(tag, energy, x):
    d = lambda a, b: np.linalg.norm(x[a] - x[b])
    u, v = x[0] - x[1], x[2] - x[1]
    hcn = np.degrees(np.arccos(u @ v / np.linalg.norm(u) / np.linalg.norm(v)))
    print("%s energy=%.10f r_ch=%.8f r_cn=%.8f r_nh=%.8f a_hcn=%.6f" % (tag, energy, d(0, 1), d(1, 2), d(0, 2), hcn))
    sys.stdout.flush()


def transition_state():
    psi4.core.clean_options()
    psi4.set_options(OPTIONS)
    psi4.set_options({"opt_type": "ts", "full_hess_every": 0})
    mol = psi4.geometry(GUESS)
    energy = psi4.optimize("pbe", molecule=mol)
    x = np.asarray(mol.geometry()) * psi4.constants.bohr2angstroms
    summary("ts", energy, x)
    psi4.core.clean_options()
    psi4.set_options(OPTIONS)
    _, wfn = psi4.frequency("pbe", molecule=mol, return_wfn=True)
    print("ts frequencies", " ".join("%.3f" % f for f in wfn.frequencies().to_array()))
    print("ts xyz", " ".join("%.10f" % v for v in x.ravel()))
    return x


def minima():
    for tag, text in (("hcn", "H 0 0 -1.07\nC 0 0 0\nN 0 0 1.16"), ("hnc", "C 0 0 -1.17\nN 0 0 0\nH 0 0 1.00")):
        psi4.core.clean_options()
        psi4.set_options(OPTIONS)
        mol = psi4.geometry("0 1\n" + text + "\nunits angstrom\nsymmetry c1")
        energy = psi4.optimize("pbe", molecule=mol)
        print("%s minimum energy=%.10f" % (tag, energy))
        print("%s minimum xyz" % tag, " ".join("%.8f" % v for v in np.asarray(mol.geometry()).ravel() * psi4.constants.bohr2angstroms))
        sys.stdout.flush()


def irc(x, directions=("forward", "backward")):
    for direction in directions:
        psi4.core.clean_options()
        psi4.set_options(OPTIONS)
        psi4.set_options({"opt_type": "irc", "irc_direction": direction, "irc_step_size": 0.2,
                          "full_hess_every": 0, "geom_maxiter": int(os.environ.get("IRC_MAXITER", "600"))})
        mol = psi4.geometry(geometry_text(x))
        calls["gradient"], calls["done"] = 0, []
        start, cpu = time.time(), time.process_time()
        try:
            energy, history = psi4.optimize("pbe", molecule=mol, return_history=True)
        except psi4.OptimizationConvergenceError as e:  # geom_maxiter reached on the path
            energy, history = e.wfn.energy(), {"energy": []}
        seconds, cpu = time.time() - start, time.process_time() - cpu
        print("irc %s gradients=%d seconds=%.1f cpu=%.1f steps=%d last=%.10f" % (
            direction, calls["gradient"], seconds, cpu, len(history["energy"]), energy))
        print("irc %s energies" % direction, " ".join("%.8f" % e for e in history["energy"]))
        # Each gradient's count, seconds since the start and energy: how far down the path
        # the IRC had come for the gradients and time it had used.
        for n, t, e in calls["done"]:
            print("irc %s gradient %d seconds=%.1f energy=%.10f" % (direction, n, t - start, e))
        sys.stdout.flush()


if __name__ == "__main__":
    what = sys.argv[1] if len(sys.argv) > 1 else "all"
    ts = transition_state() if what in ("ts", "all") else TS_XYZ
    if what in ("minima", "all"):
        minima()
    if what in ("irc", "all"):
        irc(ts, sys.argv[2:] or ("forward", "backward"))
