// The object behind a process handle that ShellExecuteEx hands out.
#pragma once

#include <atomic>

#include "ce/kernel.h"
#include "kernel/event_table.h"
#include "kernel/handle_table.h"

namespace cehost {

class ProcessObject : public HandleObject {
 public:
  ProcessObject() : HandleObject(HandleKind::kProcess) {}
  // A process's handle is signalled when the process has ended.
  DWORD Wait(DWORD ms) override { return finished.Wait(ms) ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
  // Signalled (for good) when the process has ended; setting it posts to the signal board.
  Event finished{true, false, u""};
  std::atomic<DWORD> exit_code{STILL_ACTIVE};
};

}  // namespace cehost
