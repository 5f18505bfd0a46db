#pragma once

namespace ostrel {

// Exit status of a run that reaches its end: 0, or kExitUnconverged when results were
// printed from an SCF that stopped unconverged. Fatal errors exit with 1 on their own path.
inline constexpr int kExitUnconverged = 2;

// Keeps the larger of the current status and `status`.
void raise_exit_status(int status);
int exit_status();
// Back to 0 (tests that run several requests in one process).
void reset_exit_status();

}  // namespace ostrel
