// The harness: registration, expectations, skipping on Wine and guarded buffers.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "fresh_platform.h"

#include "check.h"
#include "check_list.h"

namespace conformance {

namespace {

// Thrown by SkipOnWine and caught by RunCheck only: it ends the check's body.
struct SkippedOnWine {};

std::atomic<bool> g_failed{false};
std::atomic<bool> g_skipped{false};

std::mutex& OutputMutex() {
  static std::mutex mutex;
  return mutex;
}

// The file's name without its folders, so that both builds print the same.
const char* BaseName(const char* path) {
  const char* base = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  return base;
}

}  // namespace

std::vector<CheckEntry>& RegisteredChecks() {
  static std::vector<CheckEntry> checks;
  return checks;
}

void PrintLine(const std::string& line) {
  std::lock_guard lock(OutputMutex());
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

Registration::Registration(const char* group, const char* name, Where where, void (*body)()) {
  RegisteredChecks().push_back(CheckEntry{group, name, where, body});
}

bool Report(bool ok, const char* file, int line, const char* expression,
            const std::string& observed, const std::string& expected) {
  if (ok) return true;
  // Printing goes through the platform's file calls: keep the last error the check looks at.
  DWORD saved = GetLastError();
  g_failed = true;
  PrintLine(std::string(BaseName(file)) + ":" + std::to_string(line) + ": " + expression +
            ": observed " + observed + ", expected " + expected);
  SetLastError(saved);
  return false;
}

void SkipOnWine(const char* reason) {
  if (!OnWine()) return;
  g_skipped = true;
  PrintLine(std::string("skipped on Wine: ") + reason);
  throw SkippedOnWine{};
}

Outcome RunCheck(const CheckEntry& check) {
  g_failed = false;
  g_skipped = false;
  try {
    [[maybe_unused]] FreshPlatform platform;
    SetLastError(0);
    check.body();
  } catch (const SkippedOnWine&) {
  } catch (const std::exception& error) {
    g_failed = true;
    PrintLine(std::string(check.group) + "." + check.name + ": threw: " + error.what());
  } catch (...) {
    g_failed = true;
    PrintLine(std::string(check.group) + "." + check.name + ": threw an unknown exception");
  }
  if (g_failed) return Outcome::kFailed;
  return g_skipped ? Outcome::kSkipped : Outcome::kPassed;
}

Guarded::Guarded(size_t size) : size_(size), storage_(size + 2 * kGuard, kPattern) {}

bool Guarded::Intact() const {
  auto is_pattern = [](uint8_t byte) { return byte == kPattern; };
  return std::all_of(storage_.begin(), storage_.begin() + kGuard, is_pattern) &&
         std::all_of(storage_.end() - kGuard, storage_.end(), is_pattern);
}

}  // namespace conformance
