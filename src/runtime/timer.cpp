#include "runtime/timer.hpp"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

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

namespace {

// Percentage of a over b; a run shorter than the clock's one-second tick has no
// meaningful ratio, so it shows 0 rather than inf or nan.
double percent(double a, double b) { return b > 0.0 ? 100.0 * a / b : 0.0; }

// Gathers one fixed-size item per node on the master, in node order, and prints each.
template <class Item, class Print>
void per_node(const Item& mine, bool collective, Print print) {
  if (!collective) {
    if (is_master) print(node_id, mine);
    return;
  }
  if (!is_master) {
    Item copy = mine;
    mp_send(&copy, sizeof copy, MP_BYTE, 0);
    return;
  }
  print(0, mine);
  for (int k = 1; k < node_count; ++k) {
    Item other;
    mp_recv(&other, sizeof other, MP_BYTE, k);
    print(k, other);
  }
}

}  // namespace

void print_run_report() {
  // After a fatal error the other nodes may be anywhere: no collective step, and only the
  // master speaks (for itself).
  bool collective = node_count > 1 && !mp_aborting();
  bool prints = is_master != 0;
  if (prints) std::printf("\n ============================================================\n");

  int memory_kb = static_cast<int>(pool_peak() / 1024);
  per_node(memory_kb, collective,
           [](int, int kb) { std::printf(" Memory used = %8d KB\n", kb); });

  struct Disk {
    int peak, written, read;
  } disk{};
  store_usage(&disk.peak, &disk.written, &disk.read);
  per_node(disk, collective, [](int, const Disk& d) {
    std::printf("  Disk  used = %8d KB,  %12d KB written, %12d KB read\n", d.peak, d.written,
                d.read);
  });

  if (node_count > 1) {
    MpStats s = mp_stats();
    if (prints)
      std::printf(
          " Message passing statistics:\n node     sent KB   # msg    time          received   "
          "   time\n");
    per_node(s, collective, [](int k, const MpStats& m) {
      std::printf(" %4d  %10d %7d %7.1lf  %10d %7d %7.1lf\n", k, m.kb_sent, m.messages_sent,
                  m.send_time, m.kb_received, m.messages_received, m.receive_time);
    });
  }

  int n = collective ? node_count : 1;
  double times[130] = {};
  int slot = collective ? node_id : 0;
  times[slot] = cpu_time();
  if (collective) mp_sum(times, node_count, MP_DOUBLE, 0);
  double total = 0;
  for (int k = 0; k < n; ++k) total += times[k];
  double wall = wall_time();
  if (prints) {
    for (int k = 0; k < n; ++k)
      std::printf("\n CPU  time =%8.2lf sec =%6.2lf min =%5.2lf hr =%8.2lf%%", times[k],
                  times[k] / 60, times[k] / 3600, percent(times[k], wall));
    std::printf("\n REAL time =%8.2lf sec =%6.2lf min =%5.2lf hr\n ratio     =%8.2lf%%\n", wall,
                wall / 60, wall / 3600, percent(total, wall));
    std::time_t now = std::time(nullptr);
    std::printf("\n date: %s\n", std::ctime(&now));
  }
  if (is_master) timer(nullptr, 'r');
  std::fflush(stdout);
}

}  // namespace ostrel
