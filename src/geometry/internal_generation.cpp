#include "geometry/internal_generation.hpp"

#include <cmath>
#include <vector>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/model_hessian.hpp"
#include "model/elements.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

struct Bonds {
  int n;
  const int* count;
  const int* list;
  int at(int a, int k) const { return list[MAX_BOND_NEIGHBOURS * a + k]; }
  bool bonded(int a, int b) const {
    for (int k = 0; k < count[a]; ++k)
      if (at(a, k) == b) return true;
    return false;
  }
};

void add_bond(int a, int b, int* count, int* list) {
  if (count[a] >= MAX_BOND_NEIGHBOURS || count[b] >= MAX_BOND_NEIGHBOURS)
    fatal_error("\n atom %d: more than %d neighbours\n", (count[a] >= MAX_BOND_NEIGHBOURS ? a : b) + 1,
                MAX_BOND_NEIGHBOURS);
  list[MAX_BOND_NEIGHBOURS * a + count[a]++] = b;
  list[MAX_BOND_NEIGHBOURS * b + count[b]++] = a;
}

int root(std::vector<int>& parent, int a) {
  while (parent[a] != a) a = parent[a] = parent[parent[a]];
  return a;
}

struct Builder {
  const double* xyz;
  Bonds bonds;
  InternalCoordinate* set;
  int capacity;
  int count = 0;
  void add(int type, int i, int j, int k, int l) {
    find_or_add_coordinate(set, &count, capacity, type, i, j, k, l);
  }
  bool straight(int a, int b, int c, double t) const { return collinear(xyz, a, b, c, t); }
};

// Chain member: exactly two neighbours, collinear with the atom and not bonded together.
bool chain_member(const Builder& g, int a) {
  if (g.bonds.count[a] != 2) return false;
  const int p = g.bonds.at(a, 0), q = g.bonds.at(a, 1);
  return g.straight(p, a, q, 0.25) && !g.bonds.bonded(p, q);
}

// Walks from chain atom `from` through `start` until the first atom that is not a member;
// path receives the atoms from `from` to that end.
int walk(const Builder& g, int from, int start, std::vector<int>& path) {
  path.assign(1, from);
  int previous = from, current = start;
  while (true) {
    path.push_back(current);
    if (!chain_member(g, current) || static_cast<int>(path.size()) > g.bonds.n) return current;
    const int next = g.bonds.at(current, 0) == previous ? g.bonds.at(current, 1) : g.bonds.at(current, 0);
    previous = current;
    current = next;
  }
}

// Linear-bend pairs from the end `end` of a chain (path runs from that end), one pair of
// components per chain atom and reference neighbour d.
void chain_bends(Builder& g, const std::vector<int>& path, int d) {
  const int end = path.front();
  for (std::size_t p = 1; p + 1 < path.size(); ++p) {
    g.add(4, d, end, path[p], path[p + 1]);
    g.add(5, d, end, path[p], path[p + 1]);
  }
}

void linear_chains(Builder& g) {
  const Bonds& b = g.bonds;
  std::vector<int> left, right, seen(b.n, 0);
  for (int m = 0; m < b.n; ++m) {
    if (seen[m] || !chain_member(g, m)) continue;
    const int a = walk(g, m, b.at(m, 0), left);
    const int z = walk(g, m, b.at(m, 1), right);
    // The whole chain from A to Z.
    std::vector<int> chain(left.rbegin(), left.rend());
    chain.insert(chain.end(), right.begin() + 1, right.end());
    for (int x : chain) seen[x] = 1;
    const int second = chain[1], before_z = chain[chain.size() - 2];
    std::vector<int> from_a, from_z;
    for (int k = 0; k < b.count[a]; ++k)
      if (b.at(a, k) != second && !g.straight(b.at(a, k), a, second, 0.25)) from_a.push_back(b.at(a, k));
    for (int k = 0; k < b.count[z]; ++k)
      if (b.at(z, k) != before_z && !g.straight(b.at(z, k), z, before_z, 0.25)) from_z.push_back(b.at(z, k));
    for (int d : from_a)
      for (int e : from_z)
        if (d != e) g.add(3, d, a, z, e);
    std::vector<int> reversed(chain.rbegin(), chain.rend());
    for (int d : from_a) chain_bends(g, chain, d);
    for (int e : from_z) chain_bends(g, reversed, e);
    // The bend at the chain ends' neighbours is an ordinary bend; the chain atoms of an
    // isolated linear molecule take their frame from the cartesian axes.
    if (b.count[a] < 2 && b.count[z] < 2) chain_bends(g, chain, a);
  }
}

}  // namespace

void bonded_neighbours(int n_atoms, const int* z, const double* xyz, int* count, int* list) {
  const int n = n_atoms;
  for (int a = 0; a < n; ++a) count[a] = 0;
  std::vector<int> parent(n);
  for (int a = 0; a < n; ++a) parent[a] = a;
  for (int a = 0; a < n; ++a) {
    const double ra = connect_radius(z[a]);
    for (int b = 0; b < a; ++b) {
      const double rb = connect_radius(z[b]);
      if (atom_distance(xyz, a, b) > ra + rb + 1.2 * ra * rb / (ra + rb)) continue;
      add_bond(a, b, count, list);
      parent[root(parent, a)] = root(parent, b);
    }
  }
  // Join the fragments, closest pair first, until one remains.
  while (true) {
    int best_a = -1, best_b = -1;
    double best = 0.0;
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < a; ++b) {
        if (root(parent, a) == root(parent, b)) continue;
        const double d = atom_distance(xyz, a, b);
        if (best_a < 0 || d < best) best = d, best_a = a, best_b = b;
      }
    if (best_a < 0) break;
    add_bond(best_a, best_b, count, list);
    parent[root(parent, best_a)] = root(parent, best_b);
  }
}

int generate_internal_coordinates(int n_atoms, const int* z, const double* xyz,
                                  InternalCoordinate* set, int capacity) {
  const int n = n_atoms;
  PoolArray<int> counts(n), lists(std::int64_t{MAX_BOND_NEIGHBOURS} * n);
  bonded_neighbours(n, z, xyz, counts.data(), lists.data());
  Builder g{xyz, {n, counts.data(), lists.data()}, set, capacity};
  set[0] = {0, -1, -1, -1, -1};
  const Bonds& b = g.bonds;
  for (int a = 0; a < n; ++a)
    for (int k = 0; k < b.count[a]; ++k)
      if (b.at(a, k) > a) g.add(1, a, b.at(a, k), -1, -1);
  for (int c = 0; c < n; ++c)
    for (int p = 0; p < b.count[c]; ++p)
      for (int q = p + 1; q < b.count[c]; ++q)
        if (!g.straight(b.at(c, p), c, b.at(c, q), 0.1)) g.add(2, b.at(c, p), c, b.at(c, q), -1);
  for (int bb = 0; bb < n; ++bb)
    for (int p = 0; p < b.count[bb]; ++p) {
      const int c = b.at(bb, p);
      if (c > bb) continue;
      for (int q = 0; q < b.count[bb]; ++q) {
        const int a = b.at(bb, q);
        if (a == c || g.straight(c, bb, a, 0.25)) continue;
        for (int r = 0; r < b.count[c]; ++r) {
          const int d = b.at(c, r);
          if (d == bb || d == a || g.straight(d, c, bb, 0.25) || b.bonded(d, a)) continue;
          g.add(3, d, c, bb, a);
        }
      }
    }
  // Out-of-plane torsions of atoms with three or more neighbours.
  for (int bb = 0; bb < n; ++bb)
    for (int p = 0; p < b.count[bb]; ++p)
      for (int q = 0; q < b.count[bb]; ++q)
        for (int r = 0; r < b.count[bb]; ++r) {
          const int a = b.at(bb, p), c = b.at(bb, q), d = b.at(bb, r);
          if (a == c || a == d || c == d) continue;
          if (g.straight(c, bb, a, 0.25) || g.straight(d, bb, a, 0.25)) continue;
          double u[3], v[3], w[3];
          for (int x = 0; x < 3; ++x) {
            u[x] = xyz[3 * bb + x] - xyz[3 * d + x];
            v[x] = xyz[3 * a + x] - xyz[3 * bb + x];
            w[x] = xyz[3 * c + x] - xyz[3 * a + x];
          }
          const double triple = u[0] * (v[1] * w[2] - v[2] * w[1]) +
                                u[1] * (v[2] * w[0] - v[0] * w[2]) + u[2] * (v[0] * w[1] - v[1] * w[0]);
          auto len = [](const double* t) { return std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]); };
          if (triple / (len(u) * len(v) * len(w)) < 0.5) g.add(3, d, bb, a, c);
        }
  linear_chains(g);
  return g.count;
}

}  // namespace ostrel
