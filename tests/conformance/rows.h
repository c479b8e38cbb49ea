// Expectations beyond check.h's: for table rows, where the row's name stands in for the
// expression so that a failure says which row it was, and for calls that must be made only once.
#pragma once

#include <string>

#include "check.h"

// Compares one value of a table row.
#define EXPECT_ROW(what, observed, expected)                                                     \
  [&] {                                                                                          \
    const auto observed_ = (observed);                                                           \
    return ::conformance::Report(observed_ == (expected), __FILE__, __LINE__,                    \
                                 (std::string(what) + ": " #observed).c_str(),                   \
                                 ::conformance::Show(observed_), ::conformance::Show(expected)); \
  }()

// Checks one condition of a table row.
#define EXPECT_ROW_TRUE(what, condition)                                  \
  ::conformance::Report(static_cast<bool>(condition), __FILE__, __LINE__, \
                        (std::string(what) + ": " #condition).c_str(), "false", "true")

// Makes the call once and compares its result: for calls whose result changes what the next call
// sees, such as a wait on an automatic event.
#define EXPECT_RESULT(call, expected)                                                          \
  [&] {                                                                                        \
    const auto result_ = (call);                                                               \
    return ::conformance::Report(result_ == (expected), __FILE__, __LINE__, #call,             \
                                 ::conformance::Show(result_), ::conformance::Show(expected)); \
  }()
