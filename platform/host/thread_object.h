// The object behind a thread handle.
#pragma once

#include <atomic>

#include "ce/kernel.h"
#include "event_table.h"
#include "handle_table.h"

namespace cehost {

class ThreadObject : public HandleObject {
 public:
  ThreadObject() : HandleObject(HandleKind::kThread) {}
  // Signalled when the thread has ended.
  Event finished{true, false, u""};
  std::atomic<DWORD> exit_code{STILL_ACTIVE};
};

}  // namespace cehost
