#include "model/molecule_record.hpp"

#include <cstring>

#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

// One field of the record: where its values live in the view, element size, count and the
// message-passing type. Header values point at the member itself; arrays at the view slot.
struct Field {
  void* value;   // header value, or nullptr for an array
  void** array;  // view slot of an array
  std::int64_t element;
  std::int64_t count;
  int type;
  void* data() const { return value ? value : *array; }
  std::int64_t bytes() const { return element * count; }
};

constexpr int kMaxFields = 32;

// Every field of the record in stored order: the header values, then the arrays.
int fields(Molecule& m, Field* out) {
  const std::int64_t n = m.n_atoms, f = m.n_fragments;
  int k = 0;
  auto value = [&](auto* member, int type) {
    out[k++] = Field{member, nullptr, sizeof *member, 1, type};
  };
  auto array = [&](auto** view, std::int64_t count, int type) {
    out[k++] = Field{nullptr, reinterpret_cast<void**>(view), sizeof **view, count, type};
  };
  value(&m.radius, MP_DOUBLE);
  value(&m.point, MP_INT);
  value(&m.n_atoms, MP_INT);
  value(&m.n_alpha, MP_INT);
  value(&m.n_beta, MP_INT);
  value(&m.n_fragments, MP_INT);
  value(&m.first_fragment_atoms, MP_INT);
  value(&m.reserved, MP_INT);
  array(&m.z, n, MP_INT);
  array(&m.xyz, 3 * n, MP_DOUBLE);
  array(&m.charge, n, MP_DOUBLE);
  array(&m.nucleus_a, n, MP_DOUBLE);
  array(&m.nucleus_c, n, MP_DOUBLE);
  array(&m.mass, n, MP_DOUBLE);
  array(&m.charges, f + 1, MP_INT);
  array(&m.multiplicities, f + 1, MP_INT);
  array(&m.fragment_alpha, f, MP_INT);
  array(&m.fragment_beta, f, MP_INT);
  array(&m.fragment_of, n, MP_INT);
  array(&m.fragment_counts, 2 * f, MP_INT);
  array(&m.fragment_atoms, f * n, MP_INT);
  array(&m.set_names, NAME_SLOT * n, MP_BYTE);
  array(&m.type_names, NAME_SLOT * n, MP_BYTE);
  array(&m.set_index, n, MP_INT);
  array(&m.zmatrix, ZMATRIX_INTS * n, MP_INT);
  array(&m.bonds, MAX_NEIGHBOURS * n, MP_INT);
  return k;
}

// The sizes of an n-atom, f-fragment molecule (views left empty).
Molecule shape(int n, int f) {
  Molecule m{};
  m.n_atoms = n;
  m.n_fragments = f;
  return m;
}

// Byte offset of the field whose value or view slot is `target`; the record's size when
// `target` is no field.
std::int64_t offset_of(Molecule& m, const void* target) {
  Field list[kMaxFields];
  const int k = fields(m, list);
  std::int64_t at = 0;
  for (int i = 0; i < k; ++i) {
    const void* slot = list[i].value ? list[i].value : static_cast<const void*>(list[i].array);
    if (slot == target) return at;
    at += list[i].bytes();
  }
  return at;
}

// Fields travel in stored order; the first one rewinds the record's cursor.
void put_field(Record<char> record, const Field& f, bool first) {
  const char* bytes = static_cast<const char*>(f.data());
  if (first)
    record_write(record, bytes, f.bytes());
  else
    record_write_next(record, bytes, f.bytes());
}
void get_field(Record<char> record, const Field& f, bool first) {
  char* bytes = static_cast<char*>(f.data());
  if (first)
    record_read(record, bytes, f.bytes());
  else
    record_read_next(record, bytes, f.bytes());
}

}  // namespace

std::int64_t molecule_record_size(int n, int f) {
  Molecule m = shape(n, f);
  return offset_of(m, nullptr);
}

std::int64_t molecule_charge_offset(int n) {
  Molecule m = shape(n, 1);  // the charges come before any fragment array
  return offset_of(m, &m.charge);
}

void molecule_attach(Molecule& mol, void* storage) {
  Field list[kMaxFields];
  const int k = fields(mol, list);
  // Doubles first keeps every array aligned whatever n and f are.
  char* at = static_cast<char*>(storage);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < k; ++i) {
      if (!list[i].array || (list[i].element == 8) != (pass == 0)) continue;
      *list[i].array = at;
      at += list[i].bytes();
    }
  }
}

void store_molecule(const char* name, const Molecule& mol) {
  Molecule m = mol;  // fields() needs writable views
  const Record<char> record{name};
  const std::int64_t size = molecule_record_size(m.n_atoms, m.n_fragments);
  // A record of the same size is rewritten in place (geometry updates); otherwise it must
  // be the newest record so that it can be replaced.
  if (record_count(record) >= 0 && record_count(record) != size) record_free(record);
  if (record_count(record) < 0) record_alloc(record, size);
  Field list[kMaxFields];
  const int k = fields(m, list);
  for (int i = 0; i < k; ++i) put_field(record, list[i], i == 0);
}

void molecule_write_charges(const char* name, const Molecule& mol) {
  // The charges sit at a byte offset that need not be a multiple of eight.
  record_write(Record<char>{name}, reinterpret_cast<const char*>(mol.charge),
               std::int64_t{sizeof(double)} * mol.n_atoms, molecule_charge_offset(mol.n_atoms));
}

Molecule load_molecule(int broadcast, const char* name) {
  Molecule m{};
  const Record<char> record{name};
  Field list[kMaxFields];
  int k = fields(m, list);
  // The header values come first and give the array sizes.
  int i = 0;
  for (; list[i].value; ++i) {
    if (is_master) get_field(record, list[i], i == 0);
    if (broadcast) mp_bcast(list[i].value, 1, list[i].type);
  }
  m.block = pool_alloc(molecule_record_size(m.n_atoms, m.n_fragments) - offset_of(m, &m.z));
  molecule_attach(m, m.block);
  k = fields(m, list);
  for (; i < k; ++i) {
    if (is_master) get_field(record, list[i], false);
    if (broadcast) mp_bcast(list[i].data(), list[i].count, list[i].type);
  }
  return m;
}

void release_molecule(Molecule& mol) {
  if (mol.block) pool_release(mol.block);
  mol.block = nullptr;
}

}  // namespace ostrel
