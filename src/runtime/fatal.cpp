#include "runtime/fatal.hpp"

#include <csignal>
#include <cstdarg>
#include <cstdio>

#include "runtime/message_passing.hpp"

namespace ostrel {

namespace {

FatalHook hook = nullptr;
std::string last_message;
int status = 0;  // exit status of a run that reaches its end

std::string format(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
  return text;
}

[[noreturn]] void stop_with(std::FILE* to, std::string text) {
  last_message = std::move(text);
  if (!hook) {
    std::fputs(last_message.c_str(), to);
    std::fflush(to);
  }
  fatal_stop();
}

}  // namespace

void fatal_stop() {
  if (hook) {
    hook(last_message);
    // A hook must not return; fall through to the real stop if it does.
  }
  mp_set_aborting();
  std::raise(SIGABRT);
  std::abort();  // only reached when the abort signal is blocked
}

void fatal_error(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = format(fmt, args);
  va_end(args);
  stop_with(stdout, std::move(text));
}

void fatal_error_on(std::FILE* to, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = format(fmt, args);
  va_end(args);
  stop_with(to, std::move(text));
}

FatalHook set_fatal_hook(FatalHook h) {
  FatalHook old = hook;
  hook = h;
  return old;
}

void raise_exit_status(int value) {
  if (value > status) status = value;
}

int exit_status() { return status; }

void reset_exit_status() { status = 0; }

}  // namespace ostrel
