#include "model/molecule_record.hpp"

#include <cstring>

#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

namespace ostrel {
namespace {

constexpr std::int64_t kHeaderBytes = 36;  // radius and seven ints

// One array of the record: its address slot in the view, element size and count.
struct Piece {
  void** where;
  std::int64_t element;
  std::int64_t count;
  int type;
};

int pieces(Molecule& m, Piece* out) {
  const std::int64_t n = m.n_atoms, f = m.n_fragments;
  int k = 0;
  auto add = [&](auto** where, std::int64_t element, std::int64_t count, int type) {
    out[k++] = Piece{reinterpret_cast<void**>(where), element, count, type};
  };
  add(&m.z, 4, n, MP_INT);
  add(&m.xyz, 8, 3 * n, MP_DOUBLE);
  add(&m.charge, 8, n, MP_DOUBLE);
  add(&m.nucleus_a, 8, n, MP_DOUBLE);
  add(&m.nucleus_c, 8, n, MP_DOUBLE);
  add(&m.mass, 8, n, MP_DOUBLE);
  add(&m.charges, 4, f + 1, MP_INT);
  add(&m.multiplicities, 4, f + 1, MP_INT);
  add(&m.fragment_alpha, 4, f, MP_INT);
  add(&m.fragment_beta, 4, f, MP_INT);
  add(&m.fragment_of, 4, n, MP_INT);
  add(&m.fragment_counts, 4, 2 * f, MP_INT);
  add(&m.fragment_atoms, 4, f * n, MP_INT);
  add(&m.set_names, 1, NAME_SLOT * n, MP_BYTE);
  add(&m.type_names, 1, NAME_SLOT * n, MP_BYTE);
  add(&m.set_index, 4, n, MP_INT);
  add(&m.zmatrix, 4, ZMATRIX_INTS * n, MP_INT);
  add(&m.bonds, 4, MAX_NEIGHBOURS * n, MP_INT);
  return k;
}

}  // namespace

std::int64_t molecule_record_size(int n, int f) {
  return 44 + 320 * std::int64_t{n} + 24 * std::int64_t{f} + 4 * std::int64_t{n} * f;
}

std::int64_t molecule_charge_offset(int n) { return kHeaderBytes + 28 * std::int64_t{n}; }

void molecule_attach(Molecule& mol, void* storage) {
  Piece list[20];
  const int k = pieces(mol, list);
  // Doubles first keeps every array aligned whatever n and f are.
  char* at = static_cast<char*>(storage);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < k; ++i) {
      if ((list[i].element == 8) != (pass == 0)) continue;
      *list[i].where = at;
      at += list[i].element * list[i].count;
    }
  }
}

void store_molecule(const char* name, const Molecule& mol) {
  Molecule m = mol;  // pieces() needs writable views
  const std::int64_t size = molecule_record_size(m.n_atoms, m.n_fragments);
  // A record of the same size is rewritten in place (geometry updates); otherwise it must
  // be the newest record so that it can be replaced.
  if (store_size(name) >= 0 && store_size(name) != size) store_free(name);
  if (store_size(name) < 0) store_alloc(name, size);
  store_write(name, 0, &m.radius, 8);
  store_write(name, SEQUENTIAL, &m.point, 4 * 7);
  Piece list[20];
  const int k = pieces(m, list);
  for (int i = 0; i < k; ++i)
    store_write(name, SEQUENTIAL, *list[i].where, list[i].element * list[i].count);
}

Molecule load_molecule(int broadcast, const char* name) {
  Molecule m{};
  if (is_master) {
    store_read(name, 0, &m.radius, 8);
    store_read(name, SEQUENTIAL, &m.point, 4 * 7);
  }
  if (broadcast) {
    mp_bcast(&m.radius, 1, MP_DOUBLE);
    mp_bcast(&m.point, 7, MP_INT);
  }
  const std::int64_t bytes = molecule_record_size(m.n_atoms, m.n_fragments) - 44 + 8;
  m.block = pool_alloc(bytes);
  molecule_attach(m, m.block);
  Piece list[20];
  const int k = pieces(m, list);
  for (int i = 0; i < k; ++i) {
    if (is_master) store_read(name, SEQUENTIAL, *list[i].where, list[i].element * list[i].count);
    if (broadcast) mp_bcast(*list[i].where, list[i].count, list[i].type);
  }
  return m;
}

void release_molecule(Molecule& mol) {
  if (mol.block) pool_release(mol.block);
  mol.block = nullptr;
}

}  // namespace ostrel
