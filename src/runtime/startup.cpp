#include "runtime/startup.hpp"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "input/common_setup.hpp"
#include "input/group.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

SystemOptions read_system_options(std::FILE* input) {
  SystemOptions o;
  if (is_master) {
    const InputVar vars[] = {
        {"memory", IN_INT, 2, o.memory},
        {"disk", IN_INT, 1, &o.disk},
        // Only 128 bytes reach the other nodes: a longer path is refused, not cut.
        {"path", IN_TEXT, 128, o.path},
    };
    read_group(input, "system", 3, vars);
  }
  mp_bcast(o.memory, 2, MP_INT, 0);
  mp_bcast(&o.disk, 1, MP_INT, 0);
  mp_bcast(o.path, 128, MP_BYTE, 0);
  o.path[127] = '\0';
  if (o.memory[1] < 1) o.memory[1] = o.memory[0];
  if (o.path[0] == '\0') {
    const char* tmp = std::getenv("TMPDIR");
    std::strncpy(o.path, tmp ? tmp : "/tmp", 127);
    o.path[127] = '\0';
  }
  if (is_master) {
    std::printf("\n System options:\n");
    if (o.disk > 0)
      std::printf(" Memory: %d (%d) MB\n Disk:   %d GB '%s'\n\n", o.memory[0], o.memory[1],
                  o.disk, o.path);
    else
      std::printf(" Memory: %d (%d) MB + %d MB\n", o.memory[0], o.memory[1], -o.disk);
    std::fflush(stdout);
  }
  return o;
}

namespace {

constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGABRT,
                            SIGFPE, SIGSEGV, SIGPIPE, SIGALRM, SIGTERM};

volatile std::sig_atomic_t handling = 0;

void on_signal(int signal) {
  // A second signal while the clean-up runs (a crash inside it) must not loop.
  if (handling) std::_Exit(1);
  handling = 1;
  mp_set_aborting();
  std::printf("\n  process %d received signal %d\n", node_id, signal);
  std::fflush(stdout);
  std::exit(1);
}

void finish_message_passing() { mp_finish(); }
void report_at_exit() { print_run_report(); }
void close_store_at_exit() { store_close(); }

// Points standard input and output at the files of the command line.
void open_files(int argc, char** argv) {
  if (is_master) {
    if (argc < 2) fatal_stop();
    if (!std::freopen(argv[1], "r", stdin))
      fatal_error_on(stderr, " Cannot open input file '%s'.\n", argv[1]);
  } else {
    std::freopen("/dev/null", "r", stdin);
  }
  int outputs = argc - 2;
  const char* output = nullptr;
  if (outputs > 0 && outputs == node_count)
    output = argv[2 + node_id];
  else if (outputs > 0 && is_master)
    output = argv[2];
  if (output) {
    if (!std::freopen(output, "w", stdout))
      fatal_error_on(stderr, "%d: output file '%s'?\n", node_id, output);
  } else if (outputs > 0) {
    std::freopen("/dev/null", "w", stdout);
  }
}

void print_banner() {
  if (!is_master) return;
  std::time_t now = std::time(nullptr);
  std::printf(" Ostrel 6 (2006.08.20)\n\n");
  std::printf(" date: %s\n", std::ctime(&now));
  if (node_count > 1) std::printf(" parallel execution on %2d processors\n", node_count);
  std::fflush(stdout);
}

void print_node_list() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  if (!is_master) {
    mp_send(host, sizeof host, MP_BYTE, 0);
    return;
  }
  for (int k = 0; k < node_count; ++k) {
    char name[256] = {};
    if (k == 0)
      std::memcpy(name, host, sizeof name);
    else
      mp_recv(name, sizeof name, MP_BYTE, k);
    name[255] = '\0';
    std::printf(" node %2d: '%s'\n", k, name);
    std::fflush(stdout);
  }
}

}  // namespace

void start_run(int argc, char** argv) {
  mp_start(&argc, &argv);
  mp_transfer(nullptr, 0, 0, 0, 0);
  for (int s : kSignals) std::signal(s, on_signal);
  std::atexit(finish_message_passing);
  std::atexit(report_at_exit);
  open_files(argc, argv);
  print_banner();
  print_node_list();
  SystemOptions options = read_system_options(stdin);
  std::int64_t megabytes = is_master ? options.memory[0] : options.memory[1];
  pool_init(megabytes * (std::int64_t{1} << 20));
  store_open(options.path, options.disk);
  std::atexit(close_store_at_exit);
}

int ostrel_main(int argc, char** argv) {
  start_run(argc, argv);
  select_task();
  return exit_status();
}

}  // namespace ostrel
