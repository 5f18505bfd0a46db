// Ostrel's multiply and large eigensolver side by side with OpenBLAS dgemm and LAPACK
// dsyevd. Run with OPENBLAS_NUM_THREADS=1 for a single-core comparison.
//   bench_linalg [multiply sizes...] [-e eigen sizes...] [-r repeats]
#include <cblas.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "linalg/eigen_symmetric.hpp"
#include "linalg/multiply.hpp"
#include "runtime/pool.hpp"

extern "C" void dsyevd_(const char* jobz, const char* uplo, const int* n, double* a,
                        const int* lda, double* w, double* work, const int* lwork, int* iwork,
                        const int* liwork, int* info);

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double cpu_seconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

// Median of the process CPU time over the repeats (the machine is shared, so wall time
// also counts other people's work); the median wall time goes to *wall.
template <class F>
double median_time(int repeats, F f, double* wall = nullptr) {
  std::vector<double> t, w;
  for (int r = 0; r < repeats; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = cpu_seconds();
    f();
    t.push_back(cpu_seconds() - c0);
    w.push_back(seconds_since(t0));
  }
  std::sort(t.begin(), t.end());
  std::sort(w.begin(), w.end());
  if (wall) *wall = w[w.size() / 2];
  return t[t.size() / 2];
}

void bench_multiply(int n, int repeats) {
  std::vector<double> a(std::size_t(n) * n), b(a.size()), c(a.size()), d(a.size());
  std::mt19937_64 g(1);
  std::uniform_real_distribution<double> u(-1, 1);
  for (auto& x : a) x = u(g);
  for (auto& x : b) x = u(g);
  const double flops = 2.0 * n * double(n) * n;
  double ours_wall = 0, blas_wall = 0;
  const double ours = median_time(repeats, [&] {
    ostrel::multiply_serial(a.data(), b.data(), c.data(), n, n, n, 1, 1, 1, 1.0, 0.0);
  }, &ours_wall);
  const double blas = median_time(repeats, [&] {
    cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, n, n, n, 1.0, b.data(), n, a.data(),
                n, 0.0, d.data(), n);
  }, &blas_wall);
  double diff = 0;
  for (std::size_t i = 0; i < c.size(); ++i) diff = std::max(diff, std::fabs(c[i] - d[i]));
  std::printf("multiply n=%5d  cpu: ours %7.3f s %6.1f GF/s  dgemm %7.3f s %6.1f GF/s  ours/dgemm"
              " speed %5.2f  (wall %.3f / %.3f s)  maxdiff %.1e\n",
              n, ours, flops / ours * 1e-9, blas, flops / blas * 1e-9, blas / ours, ours_wall,
              blas_wall, diff);
}

void bench_eigen(int n, int repeats) {
  std::mt19937_64 g(2);
  std::uniform_real_distribution<double> u(-1, 1);
  std::vector<double> full(std::size_t(n) * n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) full[std::size_t(i) * n + j] = full[std::size_t(j) * n + i] = u(g);
  std::vector<double> packed(std::size_t(n) * (n + 1) / 2), vec(std::size_t(n) * n), val(n);
  double ours_wall = 0, lapack_wall = 0;
  const double ours = median_time(repeats, [&] {
    for (int i = 0, k = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) packed[k++] = full[std::size_t(i) * n + j];
    ostrel::eigen_symmetric(packed.data(), vec.data(), val.data(), n);
  }, &ours_wall);
  std::vector<double> a(full.size()), w(n);
  int lwork = 1 + 6 * n + 2 * n * n, liwork = 3 + 5 * n, info = 0;
  std::vector<double> work(lwork);
  std::vector<int> iwork(liwork);
  const double lapack = median_time(repeats, [&] {
    a = full;
    dsyevd_("V", "L", &n, a.data(), &n, w.data(), work.data(), &lwork, iwork.data(), &liwork,
            &info);
  }, &lapack_wall);
  double diff = 0;
  for (int i = 0; i < n; ++i) diff = std::max(diff, std::fabs(val[i] - w[i]));
  std::printf("eigen    n=%5d  cpu: ours %7.3f s  dsyevd %7.3f s  ours/dsyevd time %5.2f"
              "  (wall %.3f / %.3f s)  max|dlambda| %.1e\n",
              n, ours, lapack, ours / lapack, ours_wall, lapack_wall, diff);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> mult, eig;
  int repeats = 3;
  bool eigen_list = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-e")) {
      eigen_list = true;
    } else if (!std::strcmp(argv[i], "-r") && i + 1 < argc) {
      repeats = std::atoi(argv[++i]);
    } else {
      (eigen_list ? eig : mult).push_back(std::atoi(argv[i]));
    }
  }
  if (mult.empty() && eig.empty()) {
    mult = {256, 1024, 2048};
    eig = {1000, 2000};
  }
  ostrel::pool_init(std::int64_t{1} << 30);
  for (int n : mult) bench_multiply(n, repeats);
  for (int n : eig) bench_eigen(n, repeats);
  return 0;
}
