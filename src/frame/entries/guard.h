// The guard every export's entry runs its operation in, so that no C++ exception leaves the
// library.
#pragma once

#include <exception>

// The operation's result; the export's failure value instead when the operation ends in a
// standard exception (memory that could not be had, std::bad_alloc, above all).
template <class Result, class Operation>
Result RunGuarded(Result failure, Operation operation) noexcept {
  try {
    return operation();
  } catch (const std::exception&) {
    return failure;
  }
}
