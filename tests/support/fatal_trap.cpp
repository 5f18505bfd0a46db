#include "support/fatal_trap.hpp"

#include "runtime/fatal.hpp"

namespace ostrel::testing {
namespace {

void throw_stop(const std::string& message) { throw FatalStop(message); }

}  // namespace

FatalTrap::FatalTrap() : previous_(set_fatal_hook(throw_stop)) {}
FatalTrap::~FatalTrap() { set_fatal_hook(previous_); }

}  // namespace ostrel::testing
