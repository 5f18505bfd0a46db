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

}  // namespace ostrel
