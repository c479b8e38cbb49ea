// EventModify, Windows CE's one call behind SetEvent, ResetEvent and PulseEvent (which CE defines
// as inline wrappers around it), so the library may call it directly: EVENT_SET (3) sets,
// EVENT_RESET (2) resets, EVENT_PULSE (1) releases the waiters and resets. Desktop Win32 has no
// EventModify, so the check is CE-only and the Win32 build leaves this file out.
#include <thread>

#include "check.h"
#include "rows.h"

namespace {

// Each function does what its wrapper does, on a manual-reset event; a pulse with no waiter
// leaves it reset; a handle that is not an event fails.
CE_ONLY_CASE(event_modify, functions_match_set_reset_and_pulse) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_SAME(EventModify(event, EVENT_SET), TRUE);
  EXPECT_RESULT(WaitForSingleObject(event, 0), DWORD{WAIT_OBJECT_0});
  EXPECT_RESULT(WaitForSingleObject(event, 0), DWORD{WAIT_OBJECT_0});
  EXPECT_SAME(EventModify(event, EVENT_RESET), TRUE);
  EXPECT_RESULT(WaitForSingleObject(event, 0), DWORD{WAIT_TIMEOUT});
  EXPECT_SAME(EventModify(event, EVENT_PULSE), TRUE);
  EXPECT_RESULT(WaitForSingleObject(event, 0), DWORD{WAIT_TIMEOUT});

  // A set from another thread wakes a waiter, as SetEvent does.
  DWORD woken = WAIT_FAILED;
  std::thread waiter([&] { woken = WaitForSingleObject(event, 10000); });
  EXPECT_SAME(EventModify(event, EVENT_SET), TRUE);
  waiter.join();
  EXPECT_SAME(woken, DWORD{WAIT_OBJECT_0});
  CloseHandle(event);

  SetLastError(conformance::kSentinel);
  EXPECT_SAME(EventModify(nullptr, EVENT_SET), FALSE);
  EXPECT_TRUE_(GetLastError() != conformance::kSentinel);
}

}  // namespace
