// Events as the library uses them to signal other programs: named events shared by their name,
// manual and automatic reset, pulsing, waiting with a time-out, and the last error of creation,
// which callers test for ERROR_ALREADY_EXISTS. Also: the last error belongs to its thread.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;

// Named events live as long as a handle refers to them; each check closes its own, and the
// names carry the group so that nothing else shares them.
HANDLE Create(BOOL manual_reset, BOOL initial_state, const WCHAR* name) {
  return CreateEventW(nullptr, manual_reset, initial_state, name);
}

// A new named event leaves the last error 0 even when it was set before; opening it again gives
// ERROR_ALREADY_EXISTS, ignores the new flags and yields a handle to the same event: set through
// one handle, it releases a wait on the other.
CHECK_CASE(events, named_event_created_twice_is_one_event) {
  const WCHAR* name = WS("m8conformance.events.twice");
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE first = Create(TRUE, FALSE, name);
  EXPECT_TRUE_(first != nullptr);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);

  SetLastError(kSentinel);
  HANDLE second = Create(FALSE, TRUE, name);  // flags ignored: still manual-reset and reset
  EXPECT_TRUE_(second != nullptr);
  EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);

  SetLastError(kSentinel);
  EXPECT_RESULT(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
  EXPECT_TRUE_(SetEvent(first) != 0);
  EXPECT_RESULT(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  // Manual reset, as the first creation asked: the event stays signalled.
  EXPECT_RESULT(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  EXPECT_TRUE_(ResetEvent(second) != 0);
  EXPECT_RESULT(WaitForSingleObject(first, 0), WAIT_TIMEOUT);
  EXPECT_LAST_ERROR(kSentinel);

  // A thread that waits on one handle is released by a set through the other, whether the set
  // comes before or during its wait.
  DWORD waited = WAIT_FAILED;
  std::thread waiter([&] { waited = WaitForSingleObject(second, 10000); });
  EXPECT_TRUE_(SetEvent(first) != 0);
  waiter.join();
  EXPECT_SAME(waited, WAIT_OBJECT_0);

  // The event lives while any handle refers to it; once the last is closed, the name is free.
  EXPECT_TRUE_(CloseHandle(first) != 0);
  SetLastError(kSentinel);
  HANDLE third = Create(TRUE, FALSE, name);
  EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
  EXPECT_TRUE_(CloseHandle(second) != 0);
  EXPECT_TRUE_(CloseHandle(third) != 0);
  SetLastError(kSentinel);
  HANDLE fresh = Create(FALSE, TRUE, name);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);
  // A new event, made with the flags of this call: automatic and initially set.
  EXPECT_RESULT(WaitForSingleObject(fresh, 0), WAIT_OBJECT_0);
  EXPECT_RESULT(WaitForSingleObject(fresh, 0), WAIT_TIMEOUT);
  CloseHandle(fresh);
}

// Unnamed events are new each time and leave the last error 0 as well.
CHECK_CASE(events, unnamed_events_are_distinct) {
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE a = Create(TRUE, FALSE, nullptr);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE b = Create(TRUE, FALSE, nullptr);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);
  EXPECT_TRUE_(a != nullptr && b != nullptr);
  SetEvent(a);
  EXPECT_RESULT(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
  CloseHandle(a);
  CloseHandle(b);
}

// Event names are compared with their case, on Windows CE and on the desktop alike: "Ev" and
// "EV" are two events.
CHECK_CASE(events, names_differing_in_case_are_different_events) {
  HANDLE lower = Create(TRUE, FALSE, WS("m8conformance.events.Ev"));
  SetLastError(kSentinel);
  HANDLE upper = Create(TRUE, FALSE, WS("m8conformance.events.EV"));
  EXPECT_TRUE_(lower != nullptr && upper != nullptr);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);
  SetEvent(lower);
  EXPECT_RESULT(WaitForSingleObject(upper, 0), WAIT_TIMEOUT);
  EXPECT_RESULT(WaitForSingleObject(lower, 0), WAIT_OBJECT_0);
  CloseHandle(lower);
  CloseHandle(upper);
}

// Windows CE's CreateEvent documentation: a null name makes an unnamed event, but "" is a name
// like any other, so a second "" opens the first. Desktop Windows takes "" as no name.
CE_ONLY_CASE(events, empty_name_is_a_name) {
  HANDLE first = Create(TRUE, FALSE, WS(""));
  SetLastError(kSentinel);
  HANDLE second = Create(TRUE, FALSE, WS(""));
  EXPECT_TRUE_(first != nullptr && second != nullptr);
  EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
  SetEvent(first);
  EXPECT_RESULT(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  CloseHandle(first);
  CloseHandle(second);
}

// One step on an event and the waits that follow it (timeout 0).
enum class Step { kSet, kReset, kPulse, kNone };

struct ResetRow {
  const char* what;
  BOOL manual_reset;
  BOOL initial_state;
  Step step;
  DWORD first_wait;   // WaitForSingleObject(event, 0) after the step
  DWORD second_wait;  // and once more
};

// Manual-reset events stay signalled until reset; automatic ones let one wait through and reset
// themselves. A pulse with nobody waiting leaves the event reset. Each step leaves the last error
// alone.
CHECK_CASE(events, reset_kinds_and_steps) {
  const ResetRow rows[] = {
      {"manual, initially set", TRUE, TRUE, Step::kNone, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {"auto, initially set", FALSE, TRUE, Step::kNone, WAIT_OBJECT_0, WAIT_TIMEOUT},
      {"manual, initially reset", TRUE, FALSE, Step::kNone, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"auto, initially reset", FALSE, FALSE, Step::kNone, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"manual, set", TRUE, FALSE, Step::kSet, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {"auto, set", FALSE, FALSE, Step::kSet, WAIT_OBJECT_0, WAIT_TIMEOUT},
      {"manual, reset", TRUE, TRUE, Step::kReset, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"auto, reset", FALSE, TRUE, Step::kReset, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"manual, pulse when set", TRUE, TRUE, Step::kPulse, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"auto, pulse when set", FALSE, TRUE, Step::kPulse, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"manual, pulse when reset", TRUE, FALSE, Step::kPulse, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"auto, pulse when reset", FALSE, FALSE, Step::kPulse, WAIT_TIMEOUT, WAIT_TIMEOUT},
  };
  for (const ResetRow& row : rows) {
    const std::string what = row.what;
    HANDLE event = Create(row.manual_reset, row.initial_state, nullptr);
    SetLastError(kSentinel);
    BOOL ok = TRUE;
    switch (row.step) {
      case Step::kSet:
        ok = SetEvent(event);
        break;
      case Step::kReset:
        ok = ResetEvent(event);
        break;
      case Step::kPulse:
        ok = PulseEvent(event);
        break;
      case Step::kNone:
        break;
    }
    EXPECT_ROW_TRUE(what, ok != 0);
    DWORD first = WaitForSingleObject(event, 0);
    DWORD second = WaitForSingleObject(event, 0);
    EXPECT_ROW(what, first, row.first_wait);
    EXPECT_ROW(what, second, row.second_wait);
    EXPECT_ROW(what, GetLastError(), kSentinel);
    CloseHandle(event);
  }
}

// An automatic event set twice before anyone waits releases one wait only.
CHECK_CASE(events, auto_reset_sets_do_not_add_up) {
  HANDLE event = Create(FALSE, FALSE, nullptr);
  SetEvent(event);
  SetEvent(event);
  EXPECT_RESULT(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_RESULT(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

// Each set of an automatic event lets exactly one waiting thread through, whether or not the
// thread was already waiting; once both waiters are out, nothing is left signalled.
CHECK_CASE(events, auto_reset_releases_one_waiter_per_set) {
  HANDLE event = Create(FALSE, FALSE, nullptr);
  std::atomic<int> released{0};
  auto waiter = [&] {
    if (WaitForSingleObject(event, 10000) == WAIT_OBJECT_0) ++released;
  };
  std::thread a(waiter), b(waiter);
  for (int expected = 1; expected <= 2; ++expected) {
    EXPECT_TRUE_(SetEvent(event) != 0);
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (released.load() < expected && std::chrono::steady_clock::now() < give_up)
      std::this_thread::yield();
  }
  a.join();
  b.join();
  EXPECT_SAME(released.load(), 2);
  EXPECT_RESULT(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

// A pulse releases a thread that waits and leaves the event reset. The waiter may not be waiting
// yet when a pulse comes (that pulse then releases nobody), so pulses repeat until it is out.
CHECK_CASE(events, pulse_releases_a_waiter) {
  for (BOOL manual_reset : {TRUE, FALSE}) {
    const std::string what = manual_reset ? "manual" : "auto";
    HANDLE event = Create(manual_reset, FALSE, nullptr);
    HANDLE done = Create(TRUE, FALSE, nullptr);
    DWORD waited = WAIT_FAILED;
    std::thread waiter([&] {
      waited = WaitForSingleObject(event, 10000);
      SetEvent(done);
    });
    int pulses = 0;
    do {
      SetLastError(kSentinel);
      EXPECT_ROW_TRUE(what, PulseEvent(event) != 0);
      EXPECT_ROW(what, GetLastError(), kSentinel);
      ++pulses;
    } while (WaitForSingleObject(done, 1) == WAIT_TIMEOUT && pulses < 5000);
    waiter.join();
    EXPECT_ROW(what, waited, WAIT_OBJECT_0);
    EXPECT_ROW(what, WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(done);
    CloseHandle(event);
  }
}

// A wait on an event nobody sets ends with WAIT_TIMEOUT once its time has run out, and leaves
// the last error alone.
CHECK_CASE(events, wait_times_out) {
  constexpr DWORD kTimeoutMs = 50;
  HANDLE event = Create(TRUE, FALSE, nullptr);
  SetLastError(kSentinel);
  auto start = std::chrono::steady_clock::now();
  DWORD result = WaitForSingleObject(event, kTimeoutMs);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_SAME(result, WAIT_TIMEOUT);
  EXPECT_LAST_ERROR(kSentinel);
  // The clock may tick coarser than a millisecond; the wait still took about its time.
  EXPECT_TRUE_(elapsed >= std::chrono::milliseconds(kTimeoutMs - 10));
  CloseHandle(event);
}

// A closed handle is no event any more: the calls fail with ERROR_INVALID_HANDLE.
CHECK_CASE(events, closed_handle_is_refused) {
  HANDLE event = Create(TRUE, TRUE, nullptr);
  SetLastError(kSentinel);
  EXPECT_TRUE_(CloseHandle(event) != 0);
  EXPECT_LAST_ERROR(kSentinel);
  SetLastError(kSentinel);
  EXPECT_RESULT(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);
  SetLastError(kSentinel);
  EXPECT_RESULT(SetEvent(event), FALSE);
  EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);
  SetLastError(kSentinel);
  EXPECT_RESULT(CloseHandle(event), FALSE);
  EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);
}

// Each thread has its own last error: what one sets, another does not see. (Starting and
// joining a thread may change the caller's last error, so it is set after the start and read
// before the join.)
CHECK_CASE(events, last_error_is_per_thread) {
  HANDLE go = Create(TRUE, FALSE, nullptr);
  HANDLE thread_set = Create(TRUE, FALSE, nullptr);
  HANDLE main_set = Create(TRUE, FALSE, nullptr);
  HANDLE thread_read = Create(TRUE, FALSE, nullptr);
  DWORD in_thread = 0;
  std::thread other([&] {
    WaitForSingleObject(go, 10000);
    SetLastError(222);
    SetEvent(thread_set);
    WaitForSingleObject(main_set, 10000);
    in_thread = GetLastError();
    SetEvent(thread_read);
  });
  SetLastError(111);
  SetEvent(go);
  WaitForSingleObject(thread_set, 10000);
  const DWORD in_main_after_thread_set = GetLastError();
  SetLastError(333);
  SetEvent(main_set);
  WaitForSingleObject(thread_read, 10000);
  const DWORD in_main_at_end = GetLastError();
  other.join();
  EXPECT_SAME(in_main_after_thread_set, DWORD{111});
  EXPECT_SAME(in_thread, DWORD{222});
  EXPECT_SAME(in_main_at_end, DWORD{333});
  for (HANDLE event : {go, thread_set, main_set, thread_read}) CloseHandle(event);
}

}  // namespace
