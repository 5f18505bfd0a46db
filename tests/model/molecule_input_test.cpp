#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_writer.hpp"
#include "model/zmatrix_placement.hpp"
#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::with_stdin;

constexpr double kBohr = 1.8897259885789233;
constexpr double kDeg = 0.017453292519943295;

class MoleculeInput : public testing::RuntimeTest {
 protected:
  // Reads the first "$molecule" of `text` into `record` without printing.
  int read(const std::string& text, const char* record = "Molecule", int occurrence = 1) {
    int rc = 1;
    with_stdin(text, [&] { rc = read_molecule(record, "", "molecule", occurrence, 0); });
    return rc;
  }
  static double dist(const Molecule& m, int a, int b) { return zm_distance(m.xyz + 3 * a, m.xyz + 3 * b); }
  static double angle(const Molecule& m, int d, int a, int b) {
    return zm_angle(m.xyz + 3 * d, m.xyz + 3 * a, m.xyz + 3 * b) / kDeg;
  }
};

TEST_F(MoleculeInput, CartesianWaterReadsInBohrWithElectronsAndScalars) {
  ASSERT_EQ(read("text before\n$molecule\ncartesian\n 8 0 0 0.1173\n 1 0 0.7572 -0.4692\n"
                 " 1 0 -0.7572 -0.4692\n$end\n"),
            0);
  Molecule m = load_molecule(0, "Molecule");
  EXPECT_EQ(store_size("Molecule"), molecule_record_size(3, 1));
  ASSERT_EQ(m.n_atoms, 3);
  EXPECT_EQ(m.n_fragments, 1);
  EXPECT_EQ(m.z[0], 8);
  EXPECT_DOUBLE_EQ(m.xyz[2], 0.1173 * kBohr);  // Cartesian input is not reoriented
  EXPECT_DOUBLE_EQ(m.xyz[4], 0.7572 * kBohr);
  EXPECT_DOUBLE_EQ(m.charge[0], 8.0);
  EXPECT_DOUBLE_EQ(m.mass[1], 1.007825);
  EXPECT_EQ(m.n_alpha, 5);
  EXPECT_EQ(m.n_beta, 5);
  EXPECT_EQ(m.point, 1);
  EXPECT_EQ(m.nucleus_a[0], 0.0);
  EXPECT_EQ(m.zmatrix[0], ZM_END);
  for (int k = 0; k < 3 * MAX_NEIGHBOURS; ++k) EXPECT_EQ(m.bonds[k], -1);
  int natom[2], na[2], ncore[2];
  store_read("Natom", 0, natom, 8);
  store_read("Na", 0, na, 8);
  store_read("Ncore", 0, ncore, 8);
  EXPECT_EQ(natom[0], 3);
  EXPECT_EQ(natom[1], 3);
  EXPECT_EQ(na[0], 5);
  EXPECT_EQ(ncore[0] + ncore[1], 0);
  release_molecule(m);
}

TEST_F(MoleculeInput, HeaderKeysAbbreviateAndUnitsTakeOneCharacter) {
  // c = charge, m = multiplicity, u = units (a lower-case a means bohr), co = connect.
  ASSERT_EQ(read("$molecule c=1 m=2 u=a co ca\n 1 0 0 0\n 1 0 0 1.40\n$end"), 0);
  Molecule m = load_molecule(0, "Molecule");
  EXPECT_DOUBLE_EQ(m.xyz[5], 1.40);
  EXPECT_EQ(m.charges[0], 1);
  EXPECT_EQ(m.multiplicities[0], 2);
  EXPECT_EQ(m.n_alpha, 1);
  EXPECT_EQ(m.n_beta, 0);
  // 1.40 bohr is below the bond threshold of 1.72 bohr for two hydrogens.
  EXPECT_EQ(m.bonds[0], 1);
  EXPECT_EQ(m.bonds[MAX_NEIGHBOURS], 0);
  release_molecule(m);
  EXPECT_FATAL(read("$molecule units=Angstrom cartesian\n 1 0 0 0\n$end"), "'ngstrom' ?");
}

TEST_F(MoleculeInput, UpperCaseUnitsMeanAngstromAndGhostCentresCarryNothing) {
  // units=A: angstrom; a Z = 0 centre has no electrons, no mass and no charge.
  ASSERT_EQ(read("$molecule units=A ca\n 1 0 0 0\n 1 0 0 0.74\n 0 0 0 3.0\n 0 1 0 3.0\n$end"), 0);
  Molecule m = load_molecule(0, "Molecule");
  ASSERT_EQ(m.n_atoms, 4);
  EXPECT_DOUBLE_EQ(m.xyz[5], 0.74 * kBohr);
  EXPECT_DOUBLE_EQ(m.xyz[8], 3.0 * kBohr);
  EXPECT_EQ(m.z[2], 0);
  EXPECT_EQ(m.mass[2], 0.0);
  EXPECT_EQ(m.charge[3], 0.0);
  EXPECT_EQ(m.n_alpha, 1);  // H2 alone decides the electrons
  EXPECT_EQ(m.n_beta, 1);
  release_molecule(m);
  // The same text in bohr (units=a) keeps the numbers as they stand.
  ASSERT_EQ(read("$molecule units=a ca\n 1 0 0 0\n 1 0 0 0.74\n$end", "Bohr"), 0);
  Molecule b = load_molecule(0, "Bohr");
  EXPECT_DOUBLE_EQ(b.xyz[5], 0.74);
  release_molecule(b);
}

TEST_F(MoleculeInput, ZmatrixStraightAngleIsLinear) {
  // A 180-degree bond angle puts atom 3 on the line through atoms 1 and 2, beyond atom 1.
  ASSERT_EQ(read("$molecule z\n 6\n 8 1 1.16\n 8 1 1.16 2 180.0\n$end"), 0);
  Molecule m = load_molecule(0, "Molecule");
  EXPECT_NEAR(dist(m, 1, 2), 2.32 * kBohr, 1e-12);
  EXPECT_NEAR(angle(m, 1, 0, 2), 180.0, 1e-6);
  release_molecule(m);
}

TEST_F(MoleculeInput, PlacementRoutinesMatchHandComputedPositions) {
  const double a[3] = {0, 0, 0}, b[3] = {0, 0, 1}, c[3] = {1, 0, 1};
  double d[3];
  ASSERT_TRUE(place_distance_angle_dihedral(2.0, 90 * kDeg, 0.0, a, b, c, d));
  EXPECT_NEAR(d[0], 2.0, 1e-14);
  EXPECT_NEAR(d[1], 0.0, 1e-14);
  EXPECT_NEAR(d[2], 0.0, 1e-14);
  ASSERT_TRUE(place_distance_angle_dihedral(2.0, 90 * kDeg, 90 * kDeg, a, b, c, d));
  EXPECT_NEAR(d[1], 2.0, 1e-14);
  // 180 degrees: on the line through A and B beyond A, whatever the dihedral.
  ASSERT_TRUE(place_distance_angle_dihedral(1.5, 180 * kDeg, 33 * kDeg, a, b, c, d));
  EXPECT_NEAR(d[2], -1.5, 1e-12);
  EXPECT_NEAR(std::hypot(d[0], d[1]), 0.0, 1e-12);
  // Two 60-degree angles to the x and y axes: (1/2, 1/2, 1/sqrt 2).
  const double bx[3] = {1, 0, 0}, cy[3] = {0, 1, 0};
  ASSERT_TRUE(place_distance_angle_angle(1.0, 60 * kDeg, 60 * kDeg, a, bx, cy, d));
  EXPECT_NEAR(d[0], 0.5, 1e-14);
  EXPECT_NEAR(d[1], 0.5, 1e-14);
  EXPECT_NEAR(d[2], std::sqrt(0.5), 1e-14);
  // The same point from its three distances, and from two distances and a dihedral.
  double e[3];
  ASSERT_TRUE(place_distance_distance_distance(1.0, 1.0, 1.0, a, bx, cy, e));
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(e[k], d[k], 1e-12);
  ASSERT_TRUE(place_distance_distance_dihedral(2.0, std::sqrt(5.0), 0.0, a, b, c, e));
  EXPECT_NEAR(e[0], 2.0, 1e-12);  // right angle at A from the law of cosines
  EXPECT_NEAR(e[2], 0.0, 1e-12);
  // No real solution, collinear references.
  EXPECT_FALSE(place_distance_angle_angle(1.0, 10 * kDeg, 10 * kDeg, a, bx, cy, d));
  const double on_line[3] = {0, 0, 2};
  EXPECT_FALSE(place_distance_angle_dihedral(1.0, 90 * kDeg, 0.0, a, b, on_line, d));
}

TEST_F(MoleculeInput, ZmatrixAmmoniaIsPlacedCentredAndOriented) {
  ASSERT_EQ(read("$molecule z-matrix\n 7\n 1 1 1.01\n 1 1 1.01 2 106.0\n"
                 " 1 1 1.01 2 106.0 3 -112.0\n$end"),
            0);
  Molecule m = load_molecule(0, "Molecule");
  for (int h = 1; h <= 3; ++h) EXPECT_NEAR(dist(m, h, 0), 1.01 * kBohr, 1e-12);
  EXPECT_NEAR(angle(m, 1, 0, 2), 106.0, 1e-10);
  EXPECT_NEAR(angle(m, 3, 0, 1), 106.0, 1e-10);
  EXPECT_NEAR(zm_dihedral(m.xyz + 9, m.xyz, m.xyz + 3, m.xyz + 6) / kDeg, -112.0, 1e-10);
  // Centred on the mean position; the second-moment tensor is diagonal in the new frame.
  double mean[3] = {0, 0, 0}, xy = 0, xz = 0, yz = 0;
  for (int a = 0; a < 4; ++a) {
    for (int k = 0; k < 3; ++k) mean[k] += m.xyz[3 * a + k] / 4;
    xy += m.xyz[3 * a] * m.xyz[3 * a + 1];
    xz += m.xyz[3 * a] * m.xyz[3 * a + 2];
    yz += m.xyz[3 * a + 1] * m.xyz[3 * a + 2];
  }
  for (double v : {mean[0], mean[1], mean[2], xy, xz, yz}) EXPECT_NEAR(v, 0.0, 1e-12);
  // Definition records: kind, new atom, references (0-based).
  const int expect[] = {1, 1, 0, 0, 0, 1, 2, 0, 0, 0, 2, 2, 0, 1, 0, 1, 3, 0, 0, 0, 2, 3, 0, 1, 0, 3, 3, 0, 1, 2, 0};
  for (int k = 0; k < 31; ++k) EXPECT_EQ(m.zmatrix[k], expect[k]) << k;
  release_molecule(m);
}

TEST_F(MoleculeInput, ZmatrixThirdAtomFromADistanceAndTwoAngleForm) {
  // A 3-4-5 right triangle: atom 3 is 3 from atom 1 and 5 from atom 2 (which is 4 away).
  ASSERT_EQ(read("$molecule units=b z\n 1\n 1 1 4.0\n 1 1 3.0 -2 5.0\n"
                 " 1 1 1.0 2 90.0 -3 90.0\n$end"),
            0);
  Molecule m = load_molecule(0, "Molecule");
  EXPECT_NEAR(dist(m, 0, 2), 3.0, 1e-12);
  EXPECT_NEAR(dist(m, 1, 2), 5.0, 1e-12);
  EXPECT_NEAR(angle(m, 3, 0, 1), 90.0, 1e-10);
  EXPECT_NEAR(angle(m, 3, 0, 2), 90.0, 1e-10);
  release_molecule(m);
}

std::string capture_group(const Molecule& m, int force_cartesian) {
  ::testing::internal::CaptureStdout();
  write_molecule_group(m, "", force_cartesian);
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

void expect_same(const Molecule& a, const Molecule& b, double tol) {
  ASSERT_EQ(a.n_atoms, b.n_atoms);
  ASSERT_EQ(a.n_fragments, b.n_fragments);
  EXPECT_EQ(a.n_alpha, b.n_alpha);
  EXPECT_EQ(a.n_beta, b.n_beta);
  EXPECT_NEAR(a.radius, b.radius, tol);
  const int n = a.n_atoms, f = a.n_fragments;
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(a.z[i], b.z[i]);
    EXPECT_DOUBLE_EQ(a.mass[i], b.mass[i]);
    EXPECT_EQ(a.fragment_of[i], b.fragment_of[i]);
    EXPECT_STREQ(a.set_name(i), b.set_name(i));
    EXPECT_STREQ(a.type_name(i), b.type_name(i));
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.xyz[3 * i + k], b.xyz[3 * i + k], tol) << i;
  }
  for (int k = 0; k <= f; ++k) {
    EXPECT_EQ(a.charges[k], b.charges[k]);
    EXPECT_EQ(a.multiplicities[k], b.multiplicities[k]);
  }
  for (int k = 0; k < 2 * f; ++k) EXPECT_EQ(a.fragment_counts[k], b.fragment_counts[k]);
  for (int k = 0; k < n * f; ++k) EXPECT_EQ(a.fragment_atoms[k], b.fragment_atoms[k]);
  for (int k = 0; k < MAX_NEIGHBOURS * n; ++k) EXPECT_EQ(a.bonds[k], b.bonds[k]);
  for (int k = 0; k < ZMATRIX_INTS * n; ++k) EXPECT_EQ(a.zmatrix[k], b.zmatrix[k]);
}

TEST_F(MoleculeInput, WriterRoundTripCartesianWithFragmentsSetsTypesAndBonds) {
  ASSERT_EQ(read("$molecule charge=-1 radius=3.0 cartesian\n charge=0\n"
                 " set=def2-SVP\n 8 0 0 0 type=OW k=2,3\n 1 0 0.76 0.59 mass=2.014\n 1 0 -0.76 0.59\n"
                 " /\n charge=-1\n set=def2-TZVP\n 9 2.5 0 0\n$end"),
            0);
  Molecule m = load_molecule(0, "Molecule");
  ASSERT_EQ(m.n_fragments, 2);
  EXPECT_EQ(m.charges[1], 0);
  EXPECT_EQ(m.charges[2], -1);
  EXPECT_EQ(m.set_index[3], 1);
  EXPECT_EQ(m.bonds[MAX_NEIGHBOURS * 1], 0);  // made symmetric
  EXPECT_EQ(m.fragment_counts[1], 4);        // F lies within 3 angstrom of the water
  std::string text = capture_group(m, 0);
  EXPECT_NE(text.find(" charge=-1 radius="), std::string::npos) << text;
  EXPECT_NE(text.find(" set=def2-TZVP\n"), std::string::npos) << text;
  ASSERT_EQ(read(text, "Copy"), 0) << text;
  Molecule back = load_molecule(0, "Copy");
  expect_same(m, back, 2e-7);
  release_molecule(back);
  release_molecule(m);
}

TEST_F(MoleculeInput, WriterRoundTripZmatrixKeepsTheDefinition) {
  ASSERT_EQ(read("$molecule z-matrix\n 6\n 8 1 1.2\n 1 1 1.1 2 121.0\n 1 1 1.1 -2 2.0 3 180.0\n"
                 " 1 4 1.5 -1 2.0 -2 2.9\n 1 5 1.0 1 100.0 -4 95.0\n$end"),
            0);
  Molecule m = load_molecule(0, "Molecule");
  std::string text = capture_group(m, 0);
  EXPECT_NE(text.find(" z-matrix\n"), std::string::npos) << text;
  ASSERT_EQ(read(text, "Copy"), 0) << text;
  Molecule back = load_molecule(0, "Copy");
  expect_same(m, back, 1e-6);
  release_molecule(back);
  std::string cartesian = capture_group(m, 1);
  EXPECT_NE(cartesian.find(" cartesian\n"), std::string::npos);
  release_molecule(m);
}

// Reads `text` with printing on; returns what was printed.
std::string read_printing(const std::string& text, const char* record) {
  ::testing::internal::CaptureStdout();
  int rc = 1;
  with_stdin(text, [&] { rc = read_molecule(record, "", "molecule", 1, 1); });
  std::fflush(stdout);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(rc, 0);
  return out;
}

// The lines of `printed` that start with `prefix`, with the prefix removed.
std::string lines_with_prefix(const std::string& printed, const std::string& prefix) {
  std::string out;
  std::size_t at = 0;
  while (at < printed.size()) {
    std::size_t end = printed.find('\n', at);
    if (end == std::string::npos) end = printed.size();
    if (printed.compare(at, prefix.size(), prefix) == 0) out += printed.substr(at + prefix.size(), end - at - prefix.size()) + "\n";
    at = end + 1;
  }
  return out;
}

TEST_F(MoleculeInput, ZmatrixWaterAndEthaneArePlacedEchoedAndReadBackWithin1e8Bohr) {
  struct Case {
    const char* text;
    int atoms;
  };
  // Water, and nearly staggered ethane built from H-C-C-H dihedrals.
  const Case cases[] = {
      {"$molecule z-matrix\n 8\n 1 1 0.95721234567\n 1 1 0.95698765432 2 104.523456789\n$end\n", 3},
      {"$molecule z-matrix\n 6\n 6 1 1.53512345678\n 1 1 1.09412345678 2 111.212345678\n"
       " 1 1 1.09412345678 2 111.212345678 3 119.987654321\n"
       " 1 1 1.09412345678 2 111.212345678 3 -120.012345678\n"
       " 1 2 1.09412345678 1 111.212345678 3 179.987654321\n"
       " 1 2 1.09412345678 1 111.212345678 3 60.0123456789\n"
       " 1 2 1.09412345678 1 111.212345678 3 -59.9876543210\n$end\n",
       8}};
  // Values with more digits than the old output kept (8 decimals of angstrom, 6 of a degree),
  // which missed 1e-8 bohr after the read-back.
  for (int ci = 0; ci < 2; ++ci) {
    // Records of their own per case: a record is not replaced by one of another size.
    const Case& c = cases[ci];
    const std::string tag = std::to_string(ci);
    const std::string names[4] = {"Mol" + tag, "Echo" + tag, "Copy" + tag, "Flat" + tag};
    std::string printed = read_printing(c.text, names[0].c_str());
    Molecule m = load_molecule(0, names[0].c_str());
    ASSERT_EQ(m.n_atoms, c.atoms);
    if (c.atoms == 3) {
      EXPECT_NEAR(dist(m, 1, 0), 0.95721234567 * kBohr, 1e-12);
      EXPECT_NEAR(dist(m, 2, 0), 0.95698765432 * kBohr, 1e-12);
      EXPECT_NEAR(angle(m, 2, 0, 1), 104.523456789, 1e-10);
    } else {
      EXPECT_NEAR(dist(m, 1, 0), 1.53512345678 * kBohr, 1e-12);
      for (int h = 2; h < 8; ++h) {
        const int carbon = h < 5 ? 0 : 1;
        EXPECT_NEAR(dist(m, h, carbon), 1.09412345678 * kBohr, 1e-12) << h;
        EXPECT_NEAR(angle(m, h, carbon, 1 - carbon), 111.212345678, 1e-10) << h;
      }
      // D-A-B-C dihedrals as given: H4-C1-C2-H3 near 120, H5 near -120; H6-C2-C1-H3 near 180,
      // H7 near 60, H8 near -60.
      const double* x = m.xyz;
      auto dihedral = [&](int d, int a, int b, int cc) {
        return zm_dihedral(x + 3 * d, x + 3 * a, x + 3 * b, x + 3 * cc) / kDeg;
      };
      EXPECT_NEAR(dihedral(3, 0, 1, 2), 119.987654321, 1e-9);
      EXPECT_NEAR(dihedral(4, 0, 1, 2), -120.012345678, 1e-9);
      EXPECT_NEAR(dihedral(5, 1, 0, 2), 179.987654321, 1e-9);
      EXPECT_NEAR(dihedral(6, 1, 0, 2), 60.0123456789, 1e-9);
      EXPECT_NEAR(dihedral(7, 1, 0, 2), -59.9876543210, 1e-9);
      // Staggered: every H-H distance across the C-C bond is one of two values.
      const double near = dist(m, 5, 3), far = dist(m, 5, 2);
      EXPECT_GT(far, near);
    }
    // The echo is the "$molecule" group with "<" in front of every line.
    std::string echo = lines_with_prefix(printed, "<");
    ASSERT_NE(echo.find("$molecule\n z-matrix\n"), std::string::npos) << printed;
    ASSERT_NE(echo.find("$end\n"), std::string::npos) << printed;
    ASSERT_EQ(read(echo, names[1].c_str()), 0) << echo;
    Molecule echoed = load_molecule(0, names[1].c_str());
    expect_same(m, echoed, 1e-8);
    release_molecule(echoed);
    // Written back (z-matrix and Cartesian) and read back: the same coordinates.
    ASSERT_EQ(read(capture_group(m, 0), names[2].c_str()), 0);
    Molecule back = load_molecule(0, names[2].c_str());
    expect_same(m, back, 1e-8);
    release_molecule(back);
    std::string cartesian = capture_group(m, 1);
    ASSERT_EQ(read(cartesian, names[3].c_str()), 0) << cartesian;
    Molecule flat = load_molecule(0, names[3].c_str());
    for (int k = 0; k < 3 * m.n_atoms; ++k) EXPECT_NEAR(flat.xyz[k], m.xyz[k], 1e-8) << k;
    release_molecule(flat);
    release_molecule(m);
  }
}

TEST_F(MoleculeInput, FragmentElectronCountsAndTheirChecks) {
  ASSERT_EQ(read("$molecule charge=1 mult=2 cartesian\n 8 0 0 0\n 1 0 0 1.8\n charge=0 m=2\n"
                 " / charge=1\n 1 5 0 0\n / \n$end"),
            0);
  Molecule m = load_molecule(0, "Molecule");
  EXPECT_EQ(m.n_fragments, 2);  // the closing "/" adds none
  EXPECT_EQ(m.fragment_alpha[0] + m.fragment_beta[0], 9);
  EXPECT_EQ(m.multiplicities[1], 2);
  EXPECT_EQ(m.fragment_alpha[1] + m.fragment_beta[1], 0);
  EXPECT_EQ(m.fragment_counts[1], 2);  // radius 0: own atoms only
  int natom[2], nb[2];
  store_read("Natom", 0, natom, 8);
  store_read("Nb", 0, nb, 8);
  EXPECT_EQ(natom[1], 2);
  EXPECT_EQ(nb[0], 4);
  release_molecule(m);
  EXPECT_FATAL(read("$molecule cartesian\n 1 0 0 0\n$end"), " illegal charge/multiplicity");
  EXPECT_FATAL(read("$molecule mult=0 cartesian\n 2 0 0 0\n$end"), " illegal charge/multiplicity");
  EXPECT_FATAL(read("$molecule charge=3 mult=2 cartesian\n 1 0 0 0\n$end"), " illegal charge/multiplicity");
  EXPECT_FATAL(read("$molecule cartesian\n m=2\n 1 0 0 0\n / mult=2\n 1 0 0 3\n$end"), " charge/multiplicity???");
  EXPECT_FATAL(read("$molecule cartesian\n 1 0 0 0\n / 1 0 0 3\n$end"), " illegal charge/multiplicity");
}

TEST_F(MoleculeInput, FiniteNucleusParametersFollowTheMassNumber) {
  store_put("point", 0);
  ASSERT_EQ(read("$molecule cartesian\n 6 0 0 0\n 8 0 0 1.2\n$end"), 0);
  Molecule m = load_molecule(0, "Molecule");
  double r = (8360.0 * std::cbrt(12.0) + 5700.0) / 529177249.0;
  double a = 1.5 / (r * r);
  EXPECT_DOUBLE_EQ(m.nucleus_a[0], a);
  EXPECT_DOUBLE_EQ(m.nucleus_c[0], 6 * std::pow(a / M_PI, 1.5));
  release_molecule(m);
}

TEST_F(MoleculeInput, MissingOccurrenceReturnsOneAndChainCollectsStructures) {
  EXPECT_EQ(read("$molecule cartesian 1 0 0 0 1 0 0 1 $end", "Molecule", 2), 1);
  EXPECT_EQ(store_exists("Molecule"), 0);
  const std::string two = "$molecule ca 1 0 0 0 1 0 0 0.7 $end\n$molecule ca 1 0 0 0 1 0 0 0.9 $end\n";
  ::testing::internal::CaptureStdout();
  with_stdin(two, [] { read_molecule_chain(); });
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("\n 2 structures.\n"), std::string::npos);
  EXPECT_EQ(store_get<int>("Path.Nguess"), 2);
  double x[12];
  store_read("Path.Xguess", 0, x, sizeof x);
  EXPECT_DOUBLE_EQ(x[5], 0.7 * kBohr);
  EXPECT_DOUBLE_EQ(x[11], 0.9 * kBohr);
  EXPECT_EQ(store_exists("Molecule"), 1);
}

TEST_F(MoleculeInput, ChainRejectsDifferentAtoms) {
  ::testing::internal::CaptureStdout();
  EXPECT_FATAL(with_stdin("$molecule ca 1 0 0 0 1 0 0 0.7 $end $molecule ca 1 0 0 0 9 0 0 0.9 $end",
                          [] { read_molecule_chain(); }),
               "\n atom # 2: 1 9\n");
  ::testing::internal::GetCapturedStdout();
}

TEST_F(MoleculeInput, MalformedGroupsStopWithOneLine) {
  EXPECT_FATAL(read("$molecule $end"), "'$end' ?");
  EXPECT_FATAL(read("$molecule cartesian\n$end"), "'$end' ?");
  EXPECT_FATAL(read("$molecule charge=x cartesian 1 0 0 0 $end"), "\n charge?\n");
  EXPECT_FATAL(read("$molecule cartesian 1 0 0 0 bogus $end"), "\n'bogus' ?\n");
  EXPECT_FATAL(read("$molecule z 1 1 1 1.0 bogus $end"), "\n'bogus' ?\n");
  EXPECT_FATAL(read("$molecule cartesian 106 0 0 0 $end"), "atomic number 106?");
  EXPECT_FATAL(read("$molecule cartesian 1 0 0 $end"), "atom 1: coordinates?");
  EXPECT_FATAL(read("$molecule cartesian 1 0 0 0 1 0 0 1"), "'$end' not found");
  std::string long_set = "$molecule cartesian set=";
  long_set.append(32, 'x').append(" 1 0 0 0 $end");
  EXPECT_FATAL(read(long_set), "set name longer than 31 characters");
  std::string long_type = "$molecule cartesian 1 0 0 0 type=";
  long_type.append(40, 't').append(" $end");
  EXPECT_FATAL(read(long_type), "type name longer than 31 characters");
  EXPECT_FATAL(read("$molecule cartesian 1 0 0 0 k=3 1 0 0 1 $end"), "atom 1: neighbour 3?");
  EXPECT_FATAL(read("$molecule cartesian 1 0 0 0 k=1 $end"), "atom 1: neighbour 1?");
  std::string many = "$molecule units=b cartesian\n 6 0 0 0 k=2";
  for (int b = 3; b <= 34; ++b) many.append(",").append(std::to_string(b));
  std::string atoms;
  for (int b = 2; b <= 34; ++b) atoms.append(" 1 ").append(std::to_string(b)).append(" 0 0\n");
  EXPECT_FATAL(read(many + "\n" + atoms + "$end"), "atom 1: more than 32 neighbours");
  EXPECT_FATAL(read("$molecule z 8 1 2 1.0 $end"), "z-matrix atom 2: reference atom 2?");
  EXPECT_FATAL(read("$molecule z 8 1 1 0.0 $end"), "z-matrix atom 2: distance 0?");
  EXPECT_FATAL(read("$molecule z 8 1 1 1 1 1 1 1 60 $end"), "reference atom 1 twice");
  EXPECT_FATAL(read("$molecule z 1 1 1 1 1 1 1 2 90 1 1 1 -2 5 -3 5 $end"),
               "z-matrix atom 4: these values place no atom");
  EXPECT_FATAL(read("$molecule ca 1 0 0 0 z 1 1 1.0 $end"), "z-matrix after 1 cartesian atoms");
  EXPECT_FATAL(with_stdin("", [] { read_molecule("Molecule", "/nonexistent/mol", "molecule", 1, 0); }),
               " '/nonexistent/mol': error!");
}

}  // namespace
}  // namespace ostrel
