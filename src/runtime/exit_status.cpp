#include "runtime/exit_status.hpp"

namespace ostrel {
namespace {

int status = 0;

}  // namespace

void raise_exit_status(int value) {
  if (value > status) status = value;
}

int exit_status() { return status; }

void reset_exit_status() { status = 0; }

}  // namespace ostrel
