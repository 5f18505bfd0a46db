#include "runtime/timer.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/clock.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

constexpr int kMaxTimers = 255;
constexpr int kMaxNodes = 128;
constexpr int kNameBytes = 32;
constexpr int kCache = 4;

struct Timer {
  char name[kNameBytes];
  double interval[kMaxNodes + 2];
  double run[kMaxNodes + 2];
  int running;
};

Timer timers[kMaxTimers];
int timer_count = 0;
int cache[kCache] = {-1, -1, -1, -1};

int find_or_create(const char* name) {
  char key[kNameBytes] = {};
  for (int i = 0; i < kNameBytes && name[i]; ++i) key[i] = name[i];
  for (int k = 0; k < kCache; ++k) {
    int i = cache[k];
    if (i >= 0 && i < timer_count && std::memcmp(timers[i].name, key, kNameBytes) == 0) {
      for (int j = k; j > 0; --j) cache[j] = cache[j - 1];
      cache[0] = i;
      return i;
    }
  }
  int found = -1;
  for (int i = 0; i < timer_count && found < 0; ++i)
    if (std::memcmp(timers[i].name, key, kNameBytes) == 0) found = i;
  if (found < 0) {
    if (timer_count >= kMaxTimers) {
      std::printf("\n too many timers (%s)\n", name);
      std::fflush(stdout);
      std::exit(1);
    }
    found = timer_count++;
    Timer& t = timers[found];
    std::memset(&t, 0, sizeof t);
    std::memcpy(t.name, key, kNameBytes);
  }
  for (int j = kCache - 1; j > 0; --j) cache[j] = cache[j - 1];
  cache[0] = found;
  return found;
}

void print_line(const char* name, const double* v) {
  int n = node_count;
  char shown[kNameBytes + 1] = {};
  std::strncpy(shown, name, kNameBytes);
  std::printf(" time: %-32s : %7.1lf", shown, v[n]);
  if (n > 1) {
    std::printf("  [ ");
    for (int k = 0; k < n; ++k) std::printf("%7.1lf ", v[k]);
    std::printf("]");
  }
  double efficiency = v[n] / (n * v[n + 1] + 1e-6);
  std::printf(" %5.1lf%% %7.1lf\n", efficiency >= 1.0 ? 100.0 : efficiency * 100.0, v[n + 1]);
  std::fflush(stdout);
}

}  // namespace

double timer(const char* name, char op) {
  if (!name) {
    if (is_master && op == 'r')
      for (int i = 0; i < timer_count; ++i)
        if (timers[i].run[node_count] != 0.0) print_line(timers[i].name, timers[i].run);
    return 0.0;
  }
  if (op == '-') barrier();
  int index = is_master ? find_or_create(name) : -1;
  double sample[kMaxNodes + 2] = {};
  int n = node_count < kMaxNodes ? node_count : kMaxNodes;
  sample[node_id < n ? node_id : 0] = cpu_time();
  mp_sum(sample, n, MP_DOUBLE, 0);
  if (!is_master) return 0.0;
  double total = 0.0;
  for (int k = 0; k < n; ++k) total += sample[k];
  sample[n] = total;
  sample[n + 1] = wall_time();

  Timer& t = timers[index];
  switch (op) {
    case '0':
      std::memset(t.interval, 0, sizeof t.interval);
      t.running = 0;
      break;
    case '-':
      for (int k = 0; k < n + 2; ++k) {
        t.interval[k] -= sample[k];
        t.run[k] -= sample[k];
      }
      t.running = 1;
      break;
    case '+':
      for (int k = 0; k < n + 2; ++k) {
        t.interval[k] += sample[k];
        t.run[k] += sample[k];
      }
      t.running = 0;
      break;
    default: break;
  }
  double reading[kMaxNodes + 2];
  for (int k = 0; k < n + 2; ++k) reading[k] = t.interval[k] + (t.running ? sample[k] : 0.0);
  if (op == 'r' && reading[n] != 0.0) print_line(t.name, reading);
  return reading[n];
}

void timer_clear() {
  timer_count = 0;
  for (int& c : cache) c = -1;
}

}  // namespace ostrel
