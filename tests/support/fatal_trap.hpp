#pragma once
// Turns fatal stops into exceptions so that tests can check the message.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace ostrel::testing {

struct FatalStop : std::runtime_error {
  explicit FatalStop(const std::string& message) : std::runtime_error(message) {}
};

// Installs the throwing hook for its lifetime.
class FatalTrap {
 public:
  FatalTrap();
  ~FatalTrap();
  FatalTrap(const FatalTrap&) = delete;
  FatalTrap& operator=(const FatalTrap&) = delete;

 private:
  void (*previous_)(const std::string&);
};

}  // namespace ostrel::testing

// Expects `statement` to end in a fatal stop whose message contains `text`.
#define EXPECT_FATAL(statement, text)                                                     \
  do {                                                                                    \
    ::ostrel::testing::FatalTrap trap_;                                                   \
    try {                                                                                 \
      statement;                                                                          \
      ADD_FAILURE() << "expected a fatal stop: " #statement;                              \
    } catch (const ::ostrel::testing::FatalStop& stop_) {                                 \
      EXPECT_NE(std::string(stop_.what()).find(text), std::string::npos)                  \
          << "message was: [" << stop_.what() << "]";                                     \
    }                                                                                     \
  } while (0)
