// The registered checks and the state of the one that runs: shared by the harness and its runner.
#pragma once

#include <string>
#include <vector>

#include "check.h"

namespace conformance {

struct CheckEntry {
  const char* group;
  const char* name;
  Where where;
  void (*body)();
};

// Every registered check, in the order of registration.
std::vector<CheckEntry>& RegisteredChecks();

// How a check ended.
enum class Outcome { kPassed, kFailed, kSkipped };

// Runs one check's body on a fresh platform (on cehost, a fresh handset) with the last error 0:
// a failed expectation or an escaping exception fails it, SkipOnWine skips it (unless it had
// already failed).
Outcome RunCheck(const CheckEntry& check);

// Prints one line of the run's output and flushes it; safe from any thread.
void PrintLine(const std::string& line);

}  // namespace conformance
