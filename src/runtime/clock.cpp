#include "runtime/clock.hpp"

#include <sys/resource.h>

#include <ctime>

namespace ostrel {

double wall_time() {
  static const std::time_t start = std::time(nullptr);
  return static_cast<double>(std::time(nullptr) - start);
}

double cpu_time() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

}  // namespace ostrel
