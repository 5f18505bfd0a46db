#!/usr/bin/env python3
"""Psi4 reference Hessians, dipole derivatives, harmonic frequencies and thermochemistry for the
vibrational-analysis tests (tests/geometry/vibrations/generated/psi4_vibration_data.hpp).

Model: PBE/def2-SVP (pure functions), Coulomb fitted in the Coulomb metric with
def2-universal-jfit (Psi4's def2-svp-jfit), exchange-correlation from the orbital density on a
200 x 974 unpruned grid (Treutler radii and partition), RKS, e_convergence 1e-10,
d_convergence 1e-10. Hessians by Psi4's findif (3-point central differences of analytic
gradients, disp_size 0.005); dipole derivatives by central differences of SCF dipoles with
cartesian steps of 0.005 bohr. Frequencies, reduced masses and IR intensities from
qcdb.vib.harmonic_analysis, thermochemistry from qcdb.vib.thermo (298.15 K, 101325 Pa).
Masses are those of the Ostrel mass table (H 1.007825, C 12.0, N 14.00307, O 15.99491), except
for water, which keeps the isotope masses of the shared reference set.

Cases:
  water  the water minimum of /work/shared/reference/geometry_vibrations_reference.json
  hcn    HCN optimised here (gau_verytight), linear
  nh3    the ammonia minimum of the same reference file, symmetric top (sigma 3)
  nh3ts  planar ammonia optimised within D3h: the inversion saddle point (sigma 6)

Run with Psi4 1.3 (Debian package psi4), one thread:
  OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 PYTHONPATH=/usr/lib/x86_64-linux-gnu \
    /usr/bin/python3 tools/vibrations_psi4_reference.py > tests/geometry/vibrations/generated/psi4_vibration_data.hpp
"""
import json
import sys

import numpy as np
import psi4
from psi4.driver import qcdb

REFERENCE = "/work/shared/reference/geometry_vibrations_reference.json"
CACHE = "/tmp/vibrations_psi4_%s.json"
STEP = 0.005  # bohr, dipole derivatives
HARTREE_KCAL = 627.5094737775374  # qcel CODATA 2014
OPTIONS = {
    "basis": "def2-svp", "puream": True, "scf_type": "df", "df_basis_scf": "def2-svp-jfit",
    "reference": "rks", "dft_radial_points": 200, "dft_spherical_points": 974,
    "dft_radial_scheme": "treutler", "dft_nuclear_scheme": "treutler",
    "e_convergence": 1e-10, "d_convergence": 1e-10, "maxiter": 200,
}
OSTREL_MASS = {"H": 1.007825, "C": 12.0, "N": 14.00307, "O": 15.99491}


def molecule(symbols, bohr, masses, symmetry="c1"):
    lines = ["0 1"]
    for s, m, xyz in zip(symbols, masses, bohr):
        lines.append("%s@%.11f %.14f %.14f %.14f" % (s, m, *xyz))
    lines += ["units bohr", "no_com", "no_reorient", "symmetry " + symmetry]
    return psi4.geometry("\n".join(lines))


def optimise(symbols, angstrom, symmetry):
    psi4.core.clean()
    lines = ["0 1"] + ["%s %.10f %.10f %.10f" % (s, *xyz) for s, xyz in zip(symbols, angstrom)]
    lines.append("units angstrom")
    if symmetry:
        lines.append("symmetry " + symmetry)
    mol = psi4.geometry("\n".join(lines))
    psi4.set_options({"g_convergence": "gau_verytight", "geom_maxiter": 100})
    psi4.optimize("pbe", molecule=mol)
    return np.asarray(mol.geometry())


def dipole_derivatives(symbols, bohr, masses):
    n3 = 3 * len(symbols)
    dx = np.zeros((n3, 3))
    for i in range(n3):
        mu = []
        for sign in (1.0, -1.0):
            xyz = np.array(bohr, dtype=float)
            xyz.flat[i] += sign * STEP
            psi4.core.clean()
            mol = molecule(symbols, xyz, masses)
            psi4.energy("pbe", molecule=mol)
            mu.append(np.array([psi4.variable("SCF DIPOLE " + c) for c in "XYZ"]) /
                      psi4.constants.dipmom_au2debye)
        dx[i] = (mu[0] - mu[1]) / (2 * STEP)
    return dx


def analyse(name, symbols, bohr, masses, sigma, want_dipoles):
    psi4.core.clean()
    mol = molecule(symbols, bohr, masses)
    energy, wfn = psi4.energy("pbe", molecule=mol, return_wfn=True)
    psi4.core.clean()
    mol = molecule(symbols, bohr, masses)
    hess = np.asarray(psi4.hessian("pbe", molecule=mol, dertype=1))
    dipx = dipole_derivatives(symbols, bohr, masses) if want_dipoles else None
    mol = molecule(symbols, bohr, masses)
    vib, _ = qcdb.vib.harmonic_analysis(hess, np.asarray(bohr), np.asarray(masses), wfn.basisset(),
                                        mol.irrep_labels(),
                                        dipder=None if dipx is None else dipx.T)
    therm, _ = qcdb.vib.thermo(vib, T=298.15, P=101325.0, multiplicity=1,
                               molecular_mass=float(np.sum(masses)), E0=energy, sigma=sigma,
                               rot_const=np.asarray(mol.rotational_constants()),
                               rotor_type=mol.rotor_type())
    active = [k for k, t in enumerate(vib["TRV"].data) if t == "V"]
    freq = []
    for k in active:
        w = vib["omega"].data[k]
        freq.append(-w.imag if w.imag > w.real else w.real)
    out = {
        "name": name, "symbols": symbols, "bohr": np.asarray(bohr).tolist(), "masses": masses,
        "sigma": sigma, "energy": energy,
        "hessian": [hess[i, j] for i in range(hess.shape[0]) for j in range(i + 1)],
        "frequencies": freq, "reduced_masses": [vib["mu"].data[k] for k in active],
    }
    if dipx is not None:
        out["dipole_derivatives"] = dipx.flatten().tolist()
        out["ir"] = [vib["IR_intensity"].data[k] for k in active]
    kcal = lambda key: therm[key].data * HARTREE_KCAL
    cal = lambda key: therm[key].data * HARTREE_KCAL  # mEh/K -> cal/(mol K)
    out["thermo"] = {
        "zpve": kcal("ZPE_corr"),
        "S": [cal("S_trans"), cal("S_rot"), cal("S_vib"), cal("S_tot")],
        "H": [kcal("H_trans"), kcal("H_rot"), kcal("H_vib"), kcal("H_corr")],
        "G": [kcal("G_trans"), kcal("G_rot"), kcal("G_vib"), kcal("G_corr")],
    }
    return out


def cached(name):
    """One case, computed once: its results are kept in CACHE % name."""
    try:
        return json.load(open(CACHE % name))
    except OSError:
        result = next(compute([name]))
        json.dump(result, open(CACHE % name, "w"), indent=1)
        return result


def compute(names):
    ref = json.load(open(REFERENCE))
    ang = 1.0 / psi4.constants.bohr2angstroms
    for name in names:
        if name == "water":
            v = ref["vibrations"][0]
            yield analyse(name, v["symbols"], np.asarray(v["coords_angstrom"]) * ang,
                          v["isotope_masses_amu"], 2, True)
        elif name == "nh3":
            m = ref["minima"][1]
            s = m["symbols"]
            yield analyse(name, s, np.asarray(m["final_coords_angstrom"]) * ang,
                          [OSTREL_MASS[x] for x in s], 3, False)
        elif name == "hcn":
            s = ["H", "C", "N"]
            xyz = optimise(s, [[0, 0, -1.07], [0, 0, 0], [0, 0, 1.16]], None)
            yield analyse(name, s, xyz, [OSTREL_MASS[x] for x in s], 1, True)
        elif name == "nh3ts":
            s = ["N", "H", "H", "H"]
            # Psi4 keeps the planar symmetry of the start, so the optimum is the saddle point.
            xyz = optimise(s, [[0, 0, 0], [1.0, 0, 0], [-0.5, 0.866025, 0], [-0.5, -0.866025, 0]],
                           None)
            yield analyse(name, s, xyz, [OSTREL_MASS[x] for x in s], 6, False)


def array(name, values, fmt="%.12e", per_line=3):
    text = "inline constexpr double %s[] = {\n" % name
    for k in range(0, len(values), per_line):
        text += "    " + ", ".join(fmt % v for v in values[k:k + per_line]) + ",\n"
    return text + "};\n"


def header(results):
    text = ("#pragma once\n// Generated by tools/vibrations_psi4_reference.py: Psi4 1.3.2, PBE/def2-SVP,\n"
            "// DF Coulomb with def2-universal-jfit, 200 x 974 grid (Treutler), findif Hessians from\n"
            "// analytic gradients (3-point, disp_size 0.005), dipole derivatives by central\n"
            "// differences (0.005 bohr); frequencies, reduced masses, IR intensities and RRHO\n"
            "// thermochemistry (298.15 K, 101325 Pa) from Psi4's qcdb.vib. Thermo rows:\n"
            "// translation, rotation, vibration, total; S in cal/(mol K), H and G in kcal/mol.\n\n"
            "namespace ostrel::testing::psi4 {\n")
    for r in results:
        p = r["name"] + "_"
        text += "\n// %s: %s, sigma %d\n" % (r["name"], " ".join(r["symbols"]), r["sigma"])
        text += array(p + "bohr", [x for a in r["bohr"] for x in a], "%.12f")
        text += array(p + "masses", r["masses"], "%.11f")
        text += "inline constexpr double %senergy = %.12f;\n" % (p, r["energy"])
        text += array(p + "hessian", r["hessian"])
        if "dipole_derivatives" in r:
            text += array(p + "dipole_derivatives", r["dipole_derivatives"])
            text += array(p + "ir", r["ir"], "%.6f")
        text += array(p + "frequencies", r["frequencies"], "%.4f")
        text += array(p + "reduced_masses", r["reduced_masses"], "%.6f")
        th = r["thermo"]
        text += "inline constexpr double %szpve = %.6f;\n" % (p, th["zpve"])
        for key in "SHG":
            text += array(p + "thermo_" + key, th[key], "%.6f", 4)
    return text + "\n}  // namespace ostrel::testing::psi4\n"


def main():
    psi4.core.set_output_file("/tmp/vibrations_psi4_reference.log", False)
    psi4.set_num_threads(1)
    psi4.set_memory("1 GB")
    psi4.set_options(OPTIONS)
    results = [cached(name) for name in sys.argv[1:] or ["water", "nh3ts", "hcn", "nh3"]]
    sys.stdout.write(header(results))


if __name__ == "__main__":
    main()
