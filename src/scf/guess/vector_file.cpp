#include "scf/guess/vector_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "scf/guess/guess_frame.hpp"

namespace ostrel {
namespace {

bool read_exact(int fd, void* buffer, std::int64_t bytes) {
  char* at = static_cast<char*>(buffer);
  while (bytes > 0) {
    const ssize_t got = ::read(fd, at, static_cast<std::size_t>(bytes));
    if (got <= 0) return false;
    at += got;
    bytes -= got;
  }
  return true;
}

bool write_exact(int fd, const void* buffer, std::int64_t bytes) {
  const char* at = static_cast<const char*>(buffer);
  while (bytes > 0) {
    const ssize_t put = ::write(fd, at, static_cast<std::size_t>(bytes));
    if (put <= 0) return false;
    at += put;
    bytes -= put;
  }
  return true;
}

// One spin from the file: energies, coefficients, reordered by the list `order`.
bool read_spin(int fd, int n, Record<int> order, Record<double> e_name, Record<double> c_name, double* e,
               double* c) {
  const std::int64_t nn = std::int64_t{n} * n;
  if (!read_exact(fd, e, 8 * std::int64_t{n}) || !read_exact(fd, c, 8 * nn)) return false;
  if (record_exists(order)) {
    PoolArray<int> list(n);
    record_read(order, list.span());
    reorder_orbitals(list.data(), n, e, c);
  }
  record_save(e_name, e, n);
  record_save(c_name, c, nn);
  return true;
}

void dump_spin(const char* prefix, const char* e_label, const char* c_label, const double* e, const double* c,
               int n) {
  for (int i = 0; i < n; ++i) {
    std::printf("%s %s(%d)=%+22.15e %s(%d)=", prefix, e_label, i + 1, e[i], c_label, i + 1);
    const double* col = c + static_cast<std::int64_t>(i) * n;
    for (int k = 0; k < n; ++k) {
      if (k % 5 == 0) std::printf("\n%s", prefix);
      std::printf(" %+22.15e", col[k]);
    }
    std::printf("\n");
  }
}

}  // namespace

int read_vectors(const char* file, int n_basis) {
  if (!file || !file[0] || n_basis < 0) return 1;
  const int fd = ::open(file, O_RDONLY);
  if (fd < 0) return 1;
  std::int32_t n = 0;
  bool ok = read_exact(fd, &n, 4) && n == n_basis;
  if (ok) {
    const std::int64_t nn = std::int64_t{n} * n;
    PoolArray<double> e(n > 0 ? n : 1), c(nn > 0 ? nn : 1);
    ok = read_spin(fd, n, rec::guess_na, rec::ea, rec::Ca, e.data(), c.data()) &&
         read_spin(fd, n, rec::guess_nb, rec::eb, rec::Cb, e.data(), c.data());
  }
  ::close(fd);
  return ok ? 0 : 1;
}

void save_vectors(const char* file, int n_basis) {
  if (!is_master || !file || !file[0]) return;
  const int n = n_basis;
  const std::int64_t nn = std::int64_t{n} * n;
  PoolArray<double> ea(n > 0 ? n : 1), ca(nn > 0 ? nn : 1), eb(n > 0 ? n : 1), cb(nn > 0 ? nn : 1);
  record_read(rec::ea, ea.data(), n);
  record_read(rec::Ca, ca.data(), nn);
  record_read(rec::eb, eb.data(), n);
  record_read(rec::Cb, cb.data(), nn);
  if (std::strcmp(file, ".") == 0) {
    const char* prefix = "ce>";
    std::printf("%s$vector\n", prefix);
    dump_spin(prefix, "ea", "Ca", ea.data(), ca.data(), n);
    dump_spin(prefix, "eb", "Cb", eb.data(), cb.data(), n);
    std::printf("%s$end\n", prefix);
    return;
  }
  const int fd = ::open(file, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) {
    std::printf("\n vectors not saved: cannot open '%s'\n", file);
    return;
  }
  // An existing file keeps its mode through O_TRUNC; orbitals are private to the user.
  ::fchmod(fd, 0600);
  const std::int32_t count = n;
  const bool ok = write_exact(fd, &count, 4) && write_exact(fd, ea.data(), 8 * std::int64_t{n}) &&
                  write_exact(fd, ca.data(), 8 * nn) && write_exact(fd, eb.data(), 8 * std::int64_t{n}) &&
                  write_exact(fd, cb.data(), 8 * nn);
  ::close(fd);
  if (!ok) std::printf("\n vectors not saved: writing '%s' failed\n", file);
}

void print_vectors_ce(const char* prefix, const char* spin, const double* energies, const double* c, int n) {
  std::printf("%s$ce\n", prefix);
  std::printf("%s N=%d\n", prefix, n);
  for (int i = 0; i < n; ++i) {
    // The coefficient subscript is the position in the group's M x M array, so that the
    // print reads back as a "ce" group.
    std::printf("%s e%s(%d)=%+13.10lf C%s(%d)=", prefix, spin, i + 1, energies[i], spin, i * n + 1);
    const double* col = c + static_cast<std::int64_t>(i) * n;
    for (int k = 0; k < n; ++k) {
      if (k % 5 == 0) std::printf("\n%s", prefix);
      std::printf(" %+12.10lf", col[k]);
    }
    std::printf("\n");
  }
  std::printf("%s$end\n", prefix);
}

}  // namespace ostrel
