// Waiting on several objects at once: the lowest signalled index wins and its signal is taken as
// a single wait would take it; the count and the handles are checked; a set or a thread's end on
// another thread wakes the wait.
#include <string>
#include <thread>

#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;

HANDLE ManualEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

HANDLE AutoEvent() {
  return CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

// Of several signalled objects the lowest index is reported; an automatic event is reset by
// being reported, a manual one stays signalled and keeps winning.
CHECK_CASE(waits, lowest_signalled_index_wins) {
  const HANDLE events[] = {ManualEvent(), AutoEvent(), AutoEvent()};
  SetLastError(kSentinel);
  EXPECT_RESULT(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(events[2]);
  SetEvent(events[1]);
  EXPECT_RESULT(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_RESULT(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_RESULT(WaitForMultipleObjects(3, events, FALSE, 20), WAIT_TIMEOUT);
  SetEvent(events[0]);
  SetEvent(events[2]);
  EXPECT_RESULT(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0);
  EXPECT_RESULT(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0);
  EXPECT_RESULT(WaitForSingleObject(events[2], 0), WAIT_OBJECT_0);
  EXPECT_LAST_ERROR(kSentinel);
  for (HANDLE event : events) CloseHandle(event);
}

struct RefusedRow {
  const char* what;
  DWORD count;
  bool closed_handle;
  DWORD error;
};

// A count of 0 or above MAXIMUM_WAIT_OBJECTS, or a handle that is no object, fails the wait.
CHECK_CASE(waits, count_and_handles_are_checked) {
  HANDLE handles[MAXIMUM_WAIT_OBJECTS + 1];
  for (HANDLE& handle : handles) handle = ManualEvent();
  HANDLE closed = ManualEvent();
  CloseHandle(closed);
  const RefusedRow rows[] = {
      {"no handles", 0, false, ERROR_INVALID_PARAMETER},
      {"one too many", MAXIMUM_WAIT_OBJECTS + 1, false, ERROR_INVALID_PARAMETER},
      {"a closed handle", 2, true, ERROR_INVALID_HANDLE},
  };
  for (const RefusedRow& row : rows) {
    HANDLE second = handles[1];
    if (row.closed_handle) handles[1] = closed;
    SetLastError(kSentinel);
    EXPECT_ROW(row.what, WaitForMultipleObjects(row.count, handles, FALSE, 0), WAIT_FAILED);
    EXPECT_ROW(row.what, GetLastError(), row.error);
    handles[1] = second;
  }
  SetEvent(handles[MAXIMUM_WAIT_OBJECTS - 1]);
  EXPECT_RESULT(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, handles, FALSE, 0),
                WAIT_OBJECT_0 + MAXIMUM_WAIT_OBJECTS - 1);
  for (HANDLE handle : handles) CloseHandle(handle);
}

// Windows CE waits for any one object only: bWaitAll TRUE is refused.
CE_ONLY_CASE(waits, wait_all_is_refused) {
  const HANDLE events[] = {ManualEvent(), ManualEvent()};
  SetEvent(events[0]);
  SetEvent(events[1]);
  SetLastError(kSentinel);
  EXPECT_RESULT(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_FAILED);
  EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
  for (HANDLE event : events) CloseHandle(event);
}

DWORD WINAPI EndWhenSet(LPVOID go) {
  WaitForSingleObject(static_cast<HANDLE>(go), 10000);
  return 7;
}

// A set on another thread, and a thread's end, wake a wait that is already sleeping (or about to).
CHECK_CASE(waits, other_threads_wake_the_wait) {
  HANDLE never = ManualEvent();
  HANDLE set_later = AutoEvent();
  const HANDLE events[] = {never, set_later};
  DWORD woken = WAIT_FAILED;
  std::thread waiter([&] { woken = WaitForMultipleObjects(2, events, FALSE, 10000); });
  SetEvent(set_later);
  waiter.join();
  EXPECT_SAME(woken, WAIT_OBJECT_0 + 1);
  EXPECT_RESULT(WaitForSingleObject(set_later, 0), WAIT_TIMEOUT);

  HANDLE go = ManualEvent();
  HANDLE thread = CreateThread(nullptr, 0, EndWhenSet, go, 0, nullptr);
  const HANDLE with_thread[] = {never, thread};
  EXPECT_RESULT(WaitForMultipleObjects(2, with_thread, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(go);
  EXPECT_RESULT(WaitForMultipleObjects(2, with_thread, FALSE, 10000), WAIT_OBJECT_0 + 1);
  for (HANDLE handle : {never, set_later, go, thread}) CloseHandle(handle);
}

}  // namespace
