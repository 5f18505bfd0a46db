// The machine-readable result blocks: the "$Energy" group (input-group syntax behind a line
// tag) and the "mm>" exchange block.
#include "model/result_groups.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "model/molecule_record.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {

namespace {

bool given(const char* name) { return name != nullptr && name[0] != '\0'; }

// Fills `values` from the start of `name` (records may be longer than what is printed).
void read_doubles(const char* name, PoolArray<double>& values) {
  record_read(Record<double>{name}, values.span());
}

double largest_abs(const double* v, std::int64_t n) {
  double m = 0.0;
  for (std::int64_t i = 0; i < n; ++i) m = std::fmax(m, std::fabs(v[i]));
  return m;
}

// A packed 3 x 3 triangle; `label` fills the first line's label field of width `width`.
void put_triangle(const char* tag, const char* label, int width, const double* v) {
  std::printf("%s %*s%15.8e\n", tag, width, label, v[0]);
  std::printf("%s %*s%15.8e %15.8e\n", tag, width, "", v[1], v[2]);
  std::printf("%s %*s%15.8e %15.8e %15.8e\n", tag, width, "", v[3], v[4], v[5]);
}

// Lines of three values, indented past a label field of width `width`.
void put_triples(const char* tag, int width, const double* v, std::int64_t n_triples) {
  for (std::int64_t t = 0; t < n_triples; ++t)
    std::printf("%s %*s%15.8e %15.8e %15.8e\n", tag, width, "", v[3 * t], v[3 * t + 1], v[3 * t + 2]);
}

void put_polarizability(const char* tag, const char* name) {
  PoolArray<double> a(33);
  read_doubles(name, a);
  if (largest_abs(a.data(), 6) > 0.0) put_triangle(tag, "A=", 2, a.data());
  if (largest_abs(a.data() + 6, 27) > 0.0) put_triples(tag, 2, a.data() + 6, 9);
}

double put_gradient(const char* tag, const char* name, std::int64_t n_atoms) {
  PoolArray<double> g(3 * n_atoms);
  read_doubles(name, g);
  for (std::int64_t a = 0; a < n_atoms; ++a)
    std::printf("%s %2s%15.8e %15.8e %15.8e\n", tag, a == 0 ? "G=" : "", g[3 * a], g[3 * a + 1],
                g[3 * a + 2]);
  return largest_abs(g.data(), g.size());
}

void put_dipole_derivatives(const char* tag, const char* name, std::int64_t n) {
  PoolArray<double> dx(3 * n);
  read_doubles(name, dx);
  for (std::int64_t i = 0; i < n; ++i)
    std::printf("%s %3s%15.8e %15.8e %15.8e\n", tag, i == 0 ? "Dx=" : "", dx[3 * i], dx[3 * i + 1],
                dx[3 * i + 2]);
}

// Three blocks: n x 6 packed triangles, then n x 9 and n x 18 further values.
void put_polarizability_derivatives(const char* tag, const char* name, std::int64_t n) {
  PoolArray<double> ax(33 * n);
  read_doubles(name, ax);
  for (std::int64_t i = 0; i < n; ++i) put_triangle(tag, i == 0 ? "Ax=" : "", 3, ax.data() + 6 * i);
  if (largest_abs(ax.data() + 6 * n, 27 * n) > 0.0) put_triples(tag, 3, ax.data() + 6 * n, 9 * n);
}

// The packed triangle as triples, two to a line.
void put_hessian(const char* tag, const char* name, std::int64_t n) {
  PoolArray<double> h(n * (n + 1) / 2);
  read_doubles(name, h);
  const std::int64_t triples = h.size() / 3;
  for (std::int64_t t = 0; t < triples; ++t) {
    const double* v = h.data() + 3 * t;
    if (t % 2 == 0)
      std::printf("%s %2s%15.8e %15.8e %15.8e", tag, t == 0 ? "H=" : "", v[0], v[1], v[2]);
    else
      std::printf(" %15.8e %15.8e %15.8e\n", v[0], v[1], v[2]);
  }
  if (triples % 2 == 1) std::printf("\n");
}

}  // namespace

void write_result_group(const char* energy, const char* gradient, const char* hessian,
                        const char* dipole, const char* polariz, const char* dipole_x,
                        const char* polariz_x, int n_atoms, const char* tag, int index) {
  if (!is_master) return;
  const std::int64_t natom = n_atoms, n = 3 * natom;
  if (index < 0)
    std::printf("\n\n%s$Energy\n", tag);
  else
    std::printf("\n\n%s$Energy%03d\n", tag, index);
  if (given(energy)) std::printf("%s E=%19.12e\n", tag, record_get(Record<double>{energy}));
  if (given(dipole)) {
    PoolArray<double> d(3);
    read_doubles(dipole, d);
    std::printf("%s D=%15.8e %15.8e %15.8e\n", tag, d[0], d[1], d[2]);
  }
  if (given(polariz)) put_polarizability(tag, polariz);
  double gmax = 0.0;
  if (given(gradient)) gmax = put_gradient(tag, gradient, natom);
  if (given(dipole_x)) put_dipole_derivatives(tag, dipole_x, n);
  if (given(polariz_x)) put_polarizability_derivatives(tag, polariz_x, n);
  if (given(hessian)) put_hessian(tag, hessian, n);
  std::printf("%s$end\n\n", tag);
  if (given(gradient)) std::printf(" G(max) = %10.8lf\n\n", gmax);
}

// The "mm>" block hands a structure and its derivatives to the force-field fitting.
void write_mm_block() {
  if (!is_master) return;
  Molecule mol = load_molecule(0, "Molecule");
  const std::int64_t natom = mol.n_atoms, n = 3 * natom;
  const ResultsGiven have = record_get(rec::haveE);
  std::printf("mm>%d\nmm>\n", mol.n_atoms);
  for (std::int64_t a = 0; a < natom; ++a)
    std::printf("mm>%3d %22.15e %22.15e %22.15e\n", mol.z[a], mol.xyz[3 * a], mol.xyz[3 * a + 1],
                mol.xyz[3 * a + 2]);
  std::printf("mm>\n");
  if (have.energy) std::printf("mm>%22.15e\nmm>\n", record_get(rec::Energy));
  if (have.gradient) {
    {
      double d[3];
      record_read(rec::Dipole, d, 3);
      std::printf("mm> %22.15e %22.15e %22.15e\nmm>\n", d[0], d[1], d[2]);
    }
    PoolArray<double> g(n);
    record_read(rec::Gradient, g.span());
    for (std::int64_t a = 0; a < natom; ++a)
      std::printf("mm> %22.15e %22.15e %22.15e\n", g[3 * a], g[3 * a + 1], g[3 * a + 2]);
    std::printf("mm>\n");
  }
  if (have.hessian) {
    PoolArray<double> h(n * (n + 1) / 2);
    record_read(rec::Hessian, h.span());
    for (std::int64_t i = 0, k = 0; i < n; ++i) {
      std::printf("mm>");
      for (std::int64_t j = 0; j <= i; ++j) std::printf(" %22.15e", h[k++]);
      std::printf("\n");
    }
  }
  release_molecule(mol);
}

}  // namespace ostrel
