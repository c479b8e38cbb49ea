// The two ways a command ends badly: the exit code tells them apart.
#pragma once

#include <stdexcept>

namespace m8sim {

// The command line or its input cannot be used (exit code 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The operation ran and did not succeed (exit code 1).
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace m8sim
