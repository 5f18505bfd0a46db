#include "model/molecule_input.hpp"
#include "model/molecule_writer.hpp"
#include "model/zmatrix_placement.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

using testing::captured_stdout;
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
  ASSERT_EQ(read("text before\n" + testing::molecule_group(testing::kWaterAtoms)), 0);
  const testing::LoadedMolecule m;
  EXPECT_EQ(store_size("Molecule"), molecule_record_size(3, 1));
  ASSERT_EQ(m.n_atoms, 3);
  // Cartesian input is not reoriented; bonds only on request.
  EXPECT_EQ((std::vector<double>{m.xyz[2], m.xyz[4], m.charge[0], m.mass[1]}),
            (std::vector<double>{0.1173 * kBohr, 0.7572 * kBohr, 8.0, 1.007825}));
  EXPECT_EQ((std::vector<int>{m.n_alpha, m.n_beta, m.zmatrix[0], m.bonds[0]}), (std::vector<int>{5, 5, ZM_END, -1}));
  const std::vector<int> natom = testing::get_ints("Natom"), ncore = testing::get_ints("Ncore");
  EXPECT_EQ((std::vector<int>{natom[0] + natom[1], ncore[0] + ncore[1]}), (std::vector<int>{6, 0}));
}

TEST_F(MoleculeInput, HeaderKeysAbbreviateUnitsAndGhostCentres) {
  // c = charge, m = multiplicity, u = units (a lower-case a means bohr), co = connect.
  ASSERT_EQ(read("$molecule c=1 m=2 u=a co ca\n 1 0 0 0\n 1 0 0 1.40\n$end"), 0);
  const testing::LoadedMolecule m;
  EXPECT_DOUBLE_EQ(m.xyz[5], 1.40);
  // 1.40 bohr is below the bond threshold of 1.72 bohr for two hydrogens.
  EXPECT_EQ((std::vector<int>{m.n_alpha, m.n_beta, m.bonds[0], m.bonds[MAX_NEIGHBOURS]}),
            (std::vector<int>{1, 0, 1, 0}));
  // An upper-case A means angstrom; a Z = 0 centre has no electrons, mass or charge.
  ASSERT_EQ(read("$molecule units=A ca\n 1 0 0 0\n 1 0 0 0.74\n 0 0 0 3.0\n 0 1 0 3.0\n$end", "Ghost"), 0);
  const testing::LoadedMolecule g("Ghost");
  ASSERT_EQ(g.n_atoms, 4);
  EXPECT_DOUBLE_EQ(g.xyz[5], 0.74 * kBohr);
  EXPECT_EQ(g.mass[2] + g.charge[3], 0.0);
  EXPECT_EQ(g.n_alpha + g.n_beta, 2);
  EXPECT_FATAL(read("$molecule units=Angstrom cartesian\n 1 0 0 0\n$end"), "'ngstrom' ?");
}

TEST_F(MoleculeInput, PlacementRoutinesMatchHandComputedPositions) {
  const double a[3] = {0, 0, 0}, b[3] = {0, 0, 1}, c[3] = {1, 0, 1};
  double d[3];
  ASSERT_TRUE(place_distance_angle_dihedral(2.0, 90 * kDeg, 0.0, a, b, c, d));
  EXPECT_NEAR(d[0], 2.0, 1e-14);
  EXPECT_NEAR(std::hypot(d[1], d[2]), 0.0, 1e-14);
  ASSERT_TRUE(place_distance_angle_dihedral(2.0, 90 * kDeg, 90 * kDeg, a, b, c, d));
  EXPECT_NEAR(d[1], 2.0, 1e-14);
  // 180 degrees: on the line through A and B beyond A, whatever the dihedral.
  ASSERT_TRUE(place_distance_angle_dihedral(1.5, 180 * kDeg, 33 * kDeg, a, b, c, d));
  EXPECT_NEAR(d[2], -1.5, 1e-12);
  EXPECT_NEAR(std::hypot(d[0], d[1]), 0.0, 1e-12);
  // Two 60-degree angles to the x and y axes: (1/2, 1/2, 1/sqrt 2).
  const double bx[3] = {1, 0, 0}, cy[3] = {0, 1, 0};
  ASSERT_TRUE(place_distance_angle_angle(1.0, 60 * kDeg, 60 * kDeg, a, bx, cy, d));
  EXPECT_LT(testing::max_difference(std::vector<double>(d, d + 3), {0.5, 0.5, std::sqrt(0.5)}), 1e-14);
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
  const testing::LoadedMolecule m;
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
}

std::string written_group(const Molecule& m, int force_cartesian) {
  return captured_stdout([&] { write_molecule_group(m, "", force_cartesian); });
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
  const testing::LoadedMolecule m;
  ASSERT_EQ(m.n_fragments, 2);
  // Bonds are made symmetric; F lies within 3 angstrom of the water.
  EXPECT_EQ((std::vector<int>{m.charges[2], m.set_index[3], m.bonds[MAX_NEIGHBOURS], m.fragment_counts[1]}),
            (std::vector<int>{-1, 1, 0, 4}));
  const std::string text = written_group(m, 0);
  ASSERT_EQ(read(text, "Copy"), 0) << text;
  const testing::LoadedMolecule back("Copy");
  expect_same(m, back, 2e-7);
}

// Values with more digits than the old output kept (8 decimals of angstrom, 6 of a degree),
// which missed 1e-8 bohr after the read-back; the echo, the written z-matrix and the written
// Cartesian group all read back to the same structure.
TEST_F(MoleculeInput, ZmatricesArePlacedEchoedAndReadBackWithin1e8Bohr) {
  const char* cases[] = {
      "$molecule z-matrix\n 8\n 1 1 0.95721234567\n 1 1 0.95698765432 2 104.523456789\n$end\n",
      // Nearly staggered ethane from H-C-C-H dihedrals.
      "$molecule z-matrix\n 6\n 6 1 1.53512345678\n 1 1 1.09412345678 2 111.212345678\n"
      " 1 1 1.09412345678 2 111.212345678 3 119.987654321\n"
      " 1 1 1.09412345678 2 111.212345678 3 -120.012345678\n"
      " 1 2 1.09412345678 1 111.212345678 3 179.987654321\n"
      " 1 2 1.09412345678 1 111.212345678 3 60.0123456789\n"
      " 1 2 1.09412345678 1 111.212345678 3 -59.9876543210\n$end\n",
      // Every definition form: distance-distance, straight angle, negative references.
      "$molecule z-matrix\n 6\n 8 1 1.2\n 1 1 1.1 2 121.0\n 1 1 1.1 -2 2.0 3 180.0\n"
      " 1 4 1.5 -1 2.0 -2 2.9\n 1 5 1.0 1 100.0 -4 95.0\n$end\n",
      // A 3-4-5 right triangle: atom 3 is 3 from atom 1 and 5 from atom 2 (which is 4 away),
      // then a distance and two right angles.
      "$molecule units=b z\n 1\n 1 1 4.0\n 1 1 3.0 -2 5.0\n 1 1 1.0 2 90.0 -3 90.0\n$end\n",
      // 0.1 + 0.3 = 0.4 only up to rounding: the cosine lands a few ulps below -1.
      "$molecule z\n 8\n 1 1 0.1\n 1 1 0.3 -2 0.4\n$end\n"};
  for (int ci = 0; ci < 5; ++ci) {
    // Records of their own per case: a record is not replaced by one of another size.
    const std::string tag = std::to_string(ci), mol = "Mol" + tag, echo = "Echo" + tag, copy = "Copy" + tag,
                      flat = "Flat" + tag;
    const std::string printed = captured_stdout([&] {
      with_stdin(cases[ci], [&] { ASSERT_EQ(read_molecule(mol.c_str(), "", "molecule", 1, 1), 0); });
    });
    const testing::LoadedMolecule m(mol.c_str());
    // Distances within 1e-12 bohr, angles (in hundreds of degrees) within 1e-10 degrees.
    if (ci == 0) {
      EXPECT_LT(testing::max_difference({dist(m, 1, 0), dist(m, 2, 0), 1e-2 * angle(m, 2, 0, 1)},
                                        {0.95721234567 * kBohr, 0.95698765432 * kBohr, 1.04523456789}),
                1e-12);
    } else if (ci == 3) {
      EXPECT_LT(testing::max_difference(
                    {dist(m, 0, 2), dist(m, 1, 2), 1e-2 * angle(m, 3, 0, 1), 1e-2 * angle(m, 3, 0, 2)}, {3, 5, 0.9, 0.9}),
                1e-12);
    } else if (ci == 4) {
      EXPECT_NEAR(dist(m, 1, 2), 0.4 * kBohr, 1e-9);
    }
    // The echo is the "$molecule" group with "<" in front of every line.
    std::string echoed_text;
    for (const std::string& line : testing::lines_of(printed))
      if (line.rfind("<", 0) == 0) echoed_text += line.substr(1) + "\n";
    ASSERT_NE(echoed_text.find("$molecule"), std::string::npos) << printed;
    ASSERT_EQ(read(echoed_text, echo.c_str()), 0) << echoed_text;
    ASSERT_EQ(read(written_group(m, 0), copy.c_str()), 0);
    for (const std::string& name : {echo, copy}) {
      const testing::LoadedMolecule back(name.c_str());
      expect_same(m, back, 1e-8);
    }
    const std::string cartesian = written_group(m, 1);
    EXPECT_NE(cartesian.find(" cartesian\n"), std::string::npos);
    ASSERT_EQ(read(cartesian, flat.c_str()), 0) << cartesian;
    const testing::LoadedMolecule f(flat.c_str());
    for (int k = 0; k < 3 * m.n_atoms; ++k) EXPECT_NEAR(f.xyz[k], m.xyz[k], 1e-8) << k;
  }
}

TEST_F(MoleculeInput, FragmentElectronCountsAndTheirChecks) {
  ASSERT_EQ(read("$molecule charge=1 mult=2 cartesian\n 8 0 0 0\n 1 0 0 1.8\n charge=0 m=2\n"
                 " / charge=1\n 1 5 0 0\n / \n$end"),
            0);
  const testing::LoadedMolecule m;
  // The closing "/" adds no fragment; radius 0 counts own atoms only.
  EXPECT_EQ((std::vector<int>{m.n_fragments, m.fragment_alpha[0] + m.fragment_beta[0], m.multiplicities[1],
                              m.fragment_alpha[1] + m.fragment_beta[1], m.fragment_counts[1], store_get<int>("Nb")}),
            (std::vector<int>{2, 9, 2, 0, 2, 4}));
  for (const char* bad : {"$molecule cartesian\n 1 0 0 0\n$end", "$molecule mult=0 cartesian\n 2 0 0 0\n$end",
                          "$molecule charge=3 mult=2 cartesian\n 1 0 0 0\n$end",
                          "$molecule cartesian\n 1 0 0 0\n / 1 0 0 3\n$end"})
    EXPECT_FATAL(read(bad), " illegal charge/multiplicity");
  EXPECT_FATAL(read("$molecule cartesian\n m=2\n 1 0 0 0\n / mult=2\n 1 0 0 3\n$end"), " charge/multiplicity???");
}

TEST_F(MoleculeInput, FiniteNucleusParametersFollowTheMassNumber) {
  store_put("point", 0);
  ASSERT_EQ(read("$molecule cartesian\n 6 0 0 0\n 8 0 0 1.2\n$end"), 0);
  const testing::LoadedMolecule m;
  double r = (8360.0 * std::cbrt(12.0) + 5700.0) / 529177249.0;
  double a = 1.5 / (r * r);
  EXPECT_DOUBLE_EQ(m.nucleus_a[0], a);
  EXPECT_DOUBLE_EQ(m.nucleus_c[0], 6 * std::pow(a / M_PI, 1.5));
}

TEST_F(MoleculeInput, MissingOccurrenceReturnsOneAndChainCollectsStructures) {
  EXPECT_EQ(read("$molecule cartesian 1 0 0 0 1 0 0 1 $end", "Molecule", 2), 1);
  EXPECT_EQ(store_exists("Molecule"), 0);
  const std::string two = "$molecule ca 1 0 0 0 1 0 0 0.7 $end\n$molecule ca 1 0 0 0 1 0 0 0.9 $end\n";
  const std::string out = captured_stdout([&] { with_stdin(two, [] { read_molecule_chain(); }); });
  EXPECT_NE(out.find("\n 2 structures.\n"), std::string::npos);
  EXPECT_EQ(store_get<int>("Path.Nguess"), 2);
  double x[12];
  store_read("Path.Xguess", 0, x, sizeof x);
  EXPECT_DOUBLE_EQ(x[5], 0.7 * kBohr);
  EXPECT_DOUBLE_EQ(x[11], 0.9 * kBohr);
  store_clear();
  EXPECT_FATAL(captured_stdout([] {
                 with_stdin("$molecule ca 1 0 0 0 1 0 0 0.7 $end $molecule ca 1 0 0 0 9 0 0 0.9 $end",
                            [] { read_molecule_chain(); });
               }),
               "\n atom # 2: 1 9\n");
}

TEST_F(MoleculeInput, MalformedGroupsStopWithOneLine) {
  const struct { std::string text; const char* message; } cases[] = {
      {"$molecule $end", "'$end' ?"},
      {"$molecule cartesian\n$end", "'$end' ?"},
      {"$molecule charge=x cartesian 1 0 0 0 $end", "\n charge?\n"},
      {"$molecule cartesian 1 0 0 0 bogus $end", "\n'bogus' ?\n"},
      {"$molecule z 1 1 1 1.0 bogus $end", "\n'bogus' ?\n"},
      {"$molecule cartesian 106 0 0 0 $end", "atomic number 106?"},
      {"$molecule cartesian 1 0 0 $end", "atom 1: coordinates?"},
      {"$molecule cartesian 1 0 0 0 1 0 0 1", "'$end' not found"},
      {"$molecule cartesian set=" + std::string(32, 'x') + " 1 0 0 0 $end", "set name longer than 31 characters"},
      {"$molecule cartesian 1 0 0 0 type=" + std::string(40, 't') + " $end", "type name longer than 31 characters"},
      {"$molecule cartesian 1 0 0 0 k=3 1 0 0 1 $end", "atom 1: neighbour 3?"},
      {"$molecule cartesian 1 0 0 0 k=1 $end", "atom 1: neighbour 1?"},
      {"$molecule z 8 1 2 1.0 $end", "z-matrix atom 2: reference atom 2?"},
      {"$molecule z 8 1 1 0.0 $end", "z-matrix atom 2: distance 0?"},
      {"$molecule z 8 1 1 1 1 1 1 1 60 $end", "reference atom 1 twice"},
      {"$molecule z 1 1 1 1 1 1 1 2 90 1 1 1 -2 5 -3 5 $end", "z-matrix atom 4: these values place no atom"},
      {"$molecule ca 1 0 0 0 z 1 1 1.0 $end", "z-matrix after 1 cartesian atoms"},
      // Atom 3 1.0 from atom 1 and 5.0 from atom 2, which is 1.0 from atom 1; then the same
      // triangle as the first of a fourth atom's two.
      {"$molecule z\n 8\n 1 1 1.0\n 1 1 1.0 -2 5.0\n$end", "\n z-matrix atom 3: these distances form no triangle\n"},
      {"$molecule z\n 8\n 1 1 1.0\n 1 1 1.0 2 90.0\n 1 1 1.0 -2 5.0 -3 1.0\n$end",
       "\n z-matrix atom 4: these values place no atom\n"},
  };
  for (const auto& c : cases) EXPECT_FATAL(read(c.text), c.message);
  std::string many = "$molecule units=b cartesian\n 6 0 0 0 k=2";
  for (int b = 3; b <= 34; ++b) many.append(",").append(std::to_string(b));
  many += "\n";
  for (int b = 2; b <= 34; ++b) many.append(" 1 ").append(std::to_string(b)).append(" 0 0\n");
  EXPECT_FATAL(read(many + "$end"), "atom 1: more than 32 neighbours");
  EXPECT_FATAL(with_stdin("", [] { read_molecule("Molecule", "/nonexistent/mol", "molecule", 1, 0); }),
               " '/nonexistent/mol': error!");
}

}  // namespace
}  // namespace ostrel
