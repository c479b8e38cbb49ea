// The conformance run: every registered check (or those of the groups asked for), one after
// another, then a summary; the exit code says whether any failed.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "check.h"
#include "check_list.h"
#include "peer_process.h"

namespace conformance {

namespace {

struct Options {
  bool list = false;
  std::set<std::string> groups;
};

struct Tally {
  int run = 0;
  int both = 0;
  int ce_only = 0;
  int skipped = 0;
  int passed = 0;
  int failed = 0;
};

const char* WhereName(Where where) {
  return where == Where::kBoth ? "both" : "ce-only";
}

// Reads "--list" and any number of "--group NAME"; false on anything else.
bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list") == 0) {
      options->list = true;
    } else if (std::strcmp(argv[i], "--group") == 0 && i + 1 < argc) {
      options->groups.insert(argv[++i]);
    } else {
      return false;
    }
  }
  return true;
}

// The registered checks of the groups asked for (all of them when none were named), by group and
// in each group in the order of registration; false when a named group has no checks, which is a
// mistake in the caller's list.
bool Select(const Options& options, std::vector<CheckEntry>* selected) {
  // Files register in an order that differs between linkers; groups keep the output comparable.
  std::vector<CheckEntry> checks = RegisteredChecks();
  std::stable_sort(checks.begin(), checks.end(), [](const CheckEntry& a, const CheckEntry& b) {
    return std::strcmp(a.group, b.group) < 0;
  });
  std::set<std::string> seen;
  for (const CheckEntry& check : checks) {
    if (!options.groups.empty() && !options.groups.count(check.group)) continue;
    selected->push_back(check);
    seen.insert(check.group);
  }
  bool ok = true;
  for (const std::string& group : options.groups) {
    if (!seen.count(group)) {
      std::fprintf(stderr, "conformance: no checks in group \"%s\"\n", group.c_str());
      ok = false;
    }
  }
  return ok;
}

void Run(const CheckEntry& check, Tally* tally) {
  std::string id = std::string(check.group) + "." + check.name;
  bool ce_only = check.where == Where::kCeOnly;
  ++(ce_only ? tally->ce_only : tally->both);
  if (ce_only && OnWine()) {
    PrintLine("ce-only " + id);
    return;
  }
  ++tally->run;
  switch (RunCheck(check)) {
    case Outcome::kPassed:
      ++tally->passed;
      PrintLine("passed  " + id);
      break;
    case Outcome::kFailed:
      ++tally->failed;
      PrintLine("FAILED  " + id);
      break;
    case Outcome::kSkipped:
      ++tally->skipped;
      PrintLine("skipped " + id);
      break;
  }
}

void PrintSummary(const Tally& tally) {
  PrintLine("checks: " + std::to_string(tally.run) + " run, " + std::to_string(tally.both) +
            " on both, " + std::to_string(tally.ce_only) + " CE-only, " +
            std::to_string(tally.skipped) + " skipped on Wine");
  std::string last = "conformance: " + std::to_string(tally.passed) + " passed, " +
                     std::to_string(tally.failed) + " failed";
  if (tally.skipped) last += ", " + std::to_string(tally.skipped) + " skipped";
  PrintLine(last);
}

}  // namespace

}  // namespace conformance

int main(int argc, char** argv) {
  using namespace conformance;
#ifdef _WIN32
  // A crashing check ends the run with an exit code rather than a dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#endif
  if (IsPeerCommand(argc, argv)) return RunPeer(argc, argv);
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: %s [--list] [--group NAME]...\n", argv[0]);
    return 2;
  }
  std::vector<CheckEntry> selected;
  if (!Select(options, &selected)) return 2;
  if (options.list) {
    for (const CheckEntry& check : selected) {
      PrintLine(std::string(check.group) + "/" + check.name + "/" + WhereName(check.where));
    }
    return 0;
  }
  Tally tally;
  for (const CheckEntry& check : selected) Run(check, &tally);
  PrintSummary(tally);
  return tally.failed == 0 ? 0 : 1;
}
