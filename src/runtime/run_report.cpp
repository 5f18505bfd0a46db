#include "runtime/run_report.hpp"

#include <cstdio>
#include <ctime>

#include "runtime/clock.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
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
