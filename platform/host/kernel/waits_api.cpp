// Waiting on several objects at once: events, queue ends and threads alike, woken through the
// signal board rather than by polling.
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "ce/kernel.h"
#include "handset/handset_state.h"
#include "kernel/signal_board.h"

using namespace cehost;

// Windows CE waits for any one object only: bWaitAll TRUE is refused. Each round reads the
// board's generation, then looks at the objects in order with a zero wait (which takes what
// WaitForSingleObject would take, such as an automatic event's signal), so the lowest index that
// is signalled wins; with none, it sleeps until the generation moves or the time is up. A pulse
// releases only the threads waiting on that event alone: to this wait it looks like no signal,
// since the event is reset again before it looks.
extern "C" DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                        DWORD dwMilliseconds) {
  if (bWaitAll || nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  HandleTable& handles = Current().handles;
  std::vector<std::shared_ptr<HandleObject>> objects;
  objects.reserve(nCount);
  for (DWORD i = 0; i < nCount; ++i) {
    auto object = handles.Find(HandleTable::ValueOf(lpHandles[i]));
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(object));
  }
  std::optional<std::chrono::steady_clock::time_point> deadline;
  if (dwMilliseconds != INFINITE) {
    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
  }
  SignalBoard::Watch watch(SignalBoard::Instance());
  for (;;) {
    const uint64_t seen = watch.Generation();
    for (DWORD i = 0; i < nCount; ++i) {
      DWORD result = objects[i]->Wait(0);
      if (result == WAIT_OBJECT_0) return WAIT_OBJECT_0 + i;
      // An object that cannot be waited on (a file, a key) fails the whole wait.
      if (result == WAIT_FAILED) return WAIT_FAILED;
    }
    if (dwMilliseconds == 0 || !watch.WaitForChange(seen, deadline)) return WAIT_TIMEOUT;
  }
}
