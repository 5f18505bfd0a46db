#pragma once
#include <cstdio>
#include <string>

namespace ostrel {

// Ends the run: raises the abort signal, whose handler prints the signal line and exits
// with status 1 through the exit handlers. With a hook installed (tests, fuzzers) the hook
// is called instead and must not return (it throws).
[[noreturn]] void fatal_stop();

// Prints the formatted message on standard output (or `to`) and calls fatal_stop.
[[noreturn]] void fatal_error(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void fatal_error_on(std::FILE* to, const char* fmt, ...)
    __attribute__((format(printf, 2, 3)));

using FatalHook = void (*)(const std::string& message);
// Installs a hook (nullptr restores the normal signal path); returns the previous one.
FatalHook set_fatal_hook(FatalHook hook);

// Exit status of a run that reaches its end: 0, or kExitUnconverged when results were
// printed from an SCF that stopped unconverged. Fatal errors exit with 1 on their own path.
inline constexpr int kExitUnconverged = 2;

// Keeps the larger of the current status and `status`.
void raise_exit_status(int status);
int exit_status();
// Back to 0 (tests that run several requests in one process).
void reset_exit_status();

}  // namespace ostrel
