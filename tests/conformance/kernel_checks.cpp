// Kernel calls the library relies on: CreateThread for a worker that closes its own handle,
// GetExitCodeThread, Sleep, GetLocalTime, and the loader (LoadLibraryW, GetProcAddressW,
// FreeLibrary) finding a module by its path or by its bare name.
//
// The library starts a worker thread that closes its own handle when it is done, sleeps a few
// milliseconds between steps, stamps its log lines with the local time, and loads the handset's
// libraries by path or by name and looks their entries up by exact name.
#include <chrono>
#include <cstring>
#include <string>

#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;
using conformance::Narrow;

// What a worker thread is handed: an event that lets it go on, and what it reports back.
struct Worker {
  HANDLE go = nullptr;    // set by the check when the worker may go on
  HANDLE done = nullptr;  // set by the worker as its last step
  HANDLE self = nullptr;  // the worker's own handle, handed over before "go"
  BOOL closed_self = FALSE;
  DWORD code = 0;
};

// Waits for "go", then closes its own handle and reports the result.
DWORD WINAPI ClosesItsOwnHandle(LPVOID parameter) {
  Worker* worker = static_cast<Worker*>(parameter);
  WaitForSingleObject(worker->go, INFINITE);
  worker->closed_self = CloseHandle(worker->self);
  SetEvent(worker->done);
  return 7;
}

// Waits for "go", then ends with the code it was handed.
DWORD WINAPI EndsWithItsCode(LPVOID parameter) {
  Worker* worker = static_cast<Worker*>(parameter);
  WaitForSingleObject(worker->go, INFINITE);
  return worker->code;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The day of the week of a date of the Gregorian calendar, Sunday 0.
int DayOfWeek(int year, int month, int day) {
  static const int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

WideString Widen(const char* text) {
  WideString out;
  for (const char* c = text; *c; ++c) out += static_cast<WCHAR>(*c);
  return out;
}

}  // namespace

// A thread may close its own handle while it runs, as the library's worker does once it has its
// handle: the close works, and the thread runs on to its end.
CHECK_CASE(kernel, thread_that_closes_its_own_handle_runs_to_its_end) {
  Worker worker;
  worker.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  worker.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, ClosesItsOwnHandle, &worker, 0, &id);
  EXPECT_TRUE_(thread != nullptr);
  EXPECT_TRUE_(id != 0);
  if (!thread) return;
  worker.self = thread;
  SetEvent(worker.go);
  EXPECT_RESULT(WaitForSingleObject(worker.done, 10000), WAIT_OBJECT_0);
  EXPECT_SAME(worker.closed_self != FALSE, true);
  CloseHandle(worker.go);
  CloseHandle(worker.done);
}

// GetExitCodeThread reports STILL_ACTIVE while the thread runs; once its handle is signalled, the
// value its routine returned. The handle stays usable until it is closed.
CHECK_CASE(kernel, exit_code_is_still_active_then_the_returned_value) {
  for (DWORD code : {DWORD{0}, DWORD{42}, DWORD{0x12345678}}) {
    Worker worker;
    worker.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    worker.code = code;
    HANDLE thread = CreateThread(nullptr, 0, EndsWithItsCode, &worker, 0, nullptr);
    std::string label = "code " + std::to_string(code);
    if (!EXPECT_ROW_TRUE(label, thread != nullptr)) continue;
    DWORD exit_code = 0xBEEF;
    EXPECT_ROW(label, GetExitCodeThread(thread, &exit_code) != FALSE, true);
    EXPECT_ROW(label, exit_code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_ROW(label, WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(worker.go);
    EXPECT_ROW(label, WaitForSingleObject(thread, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    exit_code = 0xBEEF;
    EXPECT_ROW(label, GetExitCodeThread(thread, &exit_code) != FALSE, true);
    EXPECT_ROW(label, exit_code, code);
    EXPECT_ROW(label, CloseHandle(thread) != FALSE, true);
    CloseHandle(worker.go);
  }
}

// Sleep(0) gives up the rest of the time slice and returns; Sleep(n) waits at least about n
// milliseconds. Neither touches the last error.
CHECK_CASE(kernel, sleep_returns_and_waits_its_time) {
  SetLastError(kSentinel);
  Sleep(0);
  EXPECT_LAST_ERROR(kSentinel);
  const auto start = std::chrono::steady_clock::now();
  Sleep(30);
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
  EXPECT_LAST_ERROR(kSentinel);
  // The system clock's tick may end a sleep up to one tick early.
  EXPECT_SAME("waited " + std::to_string(waited >= 14 ? 30 : waited) + " ms",
              std::string("waited 30 ms"));
}

// GetLocalTime fills every field within its range, and the day of the week is the date's; the
// settings log prints each of them.
CHECK_CASE(kernel, local_time_fields_are_in_range_and_the_weekday_fits_the_date) {
  SYSTEMTIME now;
  std::memset(&now, 0xFF, sizeof now);
  SetLastError(kSentinel);
  GetLocalTime(&now);
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_TRUE_(now.wYear >= 2000 && now.wYear <= 2200);
  EXPECT_TRUE_(now.wMonth >= 1 && now.wMonth <= 12);
  if (now.wMonth >= 1 && now.wMonth <= 12) {
    EXPECT_TRUE_(now.wDay >= 1 && now.wDay <= DaysInMonth(now.wYear, now.wMonth));
    EXPECT_SAME(static_cast<int>(now.wDayOfWeek), DayOfWeek(now.wYear, now.wMonth, now.wDay));
  }
  EXPECT_TRUE_(now.wHour < 24);
  EXPECT_TRUE_(now.wMinute < 60);
  EXPECT_TRUE_(now.wSecond < 60);
  EXPECT_TRUE_(now.wMilliseconds < 1000);
}

// LoadLibraryW finds a module by its full path and by its bare name, with or without ".dll" and
// in any case; every load of one module gives the same handle, and each load is matched by one
// FreeLibrary. A name of no module fails with ERROR_MOD_NOT_FOUND. (What a load that works leaves
// in the last error is not documented.)
CHECK_CASE(kernel, load_library_by_path_or_name_gives_one_handle) {
  const conformance::KnownModule known = conformance::AKnownModule();
  HMODULE first = LoadLibraryW(known.path.c_str());
  if (!EXPECT_TRUE_(first != nullptr)) return;
  WideString upper;
  for (WCHAR c : known.bare_name) upper += (c >= 'a' && c <= 'z') ? static_cast<WCHAR>(c - 32) : c;
  const WideString names[] = {known.bare_name, known.bare_name + WS(".dll"), upper + WS(".DLL"),
                              upper};
  for (const WideString& name : names) {
    HMODULE again = LoadLibraryW(name.c_str());
    EXPECT_ROW(Narrow(name), again == first, true);
    if (again) EXPECT_ROW(Narrow(name), FreeLibrary(again) != FALSE, true);
  }
  EXPECT_SAME(FreeLibrary(first) != FALSE, true);

  const WideString missing[] = {WS("NoSuchModule"), WS("NoSuchModule.dll"),
                                known.path.substr(0, known.path.size() - 4) + WS("X.dll")};
  for (const WideString& name : missing) {
    SetLastError(kSentinel);
    HMODULE module = LoadLibraryW(name.c_str());
    EXPECT_ROW(Narrow(name), module == nullptr, true);
    EXPECT_ROW(Narrow(name), GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    if (module) FreeLibrary(module);
  }
}

// A name that ends in "." has no extension: ".dll" is not added, and no module is found.
CHECK_CASE(kernel, load_library_name_ending_in_a_dot_gets_no_extension) {
  const conformance::KnownModule known = conformance::AKnownModule();
  const WideString name = known.bare_name + WS(".");
  SetLastError(kSentinel);
  HMODULE module = LoadLibraryW(name.c_str());
  EXPECT_SAME(module == nullptr, true);
  EXPECT_LAST_ERROR(ERROR_MOD_NOT_FOUND);
  if (module) FreeLibrary(module);
}

// GetProcAddressW finds an entry by its exact name: the same name in another case is no entry
// (ERROR_PROC_NOT_FOUND), and neither is a name the module does not export.
CHECK_CASE(kernel, get_proc_address_matches_the_exact_name) {
  const conformance::KnownModule known = conformance::AKnownModule();
  HMODULE module = LoadLibraryW(known.path.c_str());
  if (!EXPECT_TRUE_(module != nullptr)) return;
  std::string lower;
  for (const char* c = known.entry; *c; ++c) lower += (*c >= 'A' && *c <= 'Z') ? *c + 32 : *c;
  struct Row {
    std::string name;
    bool found;
  } rows[] = {
      {known.entry, true},
      {lower, false},
      {std::string(known.entry) + "X", false},
      {"NoSuchEntry", false},
  };
  for (const Row& row : rows) {
    SetLastError(kSentinel);
    FARPROC entry = GetProcAddressW(module, Widen(row.name.c_str()).c_str());
    EXPECT_ROW(row.name, entry != nullptr, row.found);
    if (!row.found) EXPECT_ROW(row.name, GetLastError(), DWORD{ERROR_PROC_NOT_FOUND});
  }
  EXPECT_SAME(FreeLibrary(module) != FALSE, true);
}
