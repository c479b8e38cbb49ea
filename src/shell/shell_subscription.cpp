#include "shell/shell_subscription.h"

#include <atomic>
#include <cstdint>

#include "ce/kernel.h"
#include "ce/windows.h"
#include "shell/shell_queue.h"

namespace {

ShellQueue& NotifyQueue() {
  static ShellQueue queue(SHELL_NOTIFY_QUEUE_NAME, sizeof(ShellNotifySubscriptionRecord),
                          u"Cannot open Shell Notify message queue!\n");
  return queue;
}

// Serialises the writes into the shell notify queue. Made on first use, once even when two
// threads come at the same moment, and kept until the process ends.
class NotifyLock {
 public:
  NotifyLock() { InitializeCriticalSection(&section_); }
  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// Kept for the whole process, so that its critical section is never deleted under a caller.
NotifyLock& TheNotifyLock() {
  static NotifyLock* lock = new NotifyLock;
  return *lock;
}

}  // namespace

BOOL WriteShellNotifyRecord(HWND window, DWORD value, bool register_window) {
  HANDLE queue = NotifyQueue().Open();
  NotifyLock& lock = TheNotifyLock();
  if (!queue) return FALSE;
  ShellNotifySubscriptionRecord record = {};
  record.dwOperation = register_window ? SHELL_SUBSCRIBE_REGISTER : SHELL_SUBSCRIBE_UNREGISTER;
  record.dwWindow = static_cast<DWORD>(reinterpret_cast<uintptr_t>(window));
  record.dwValue = value;
  lock.Enter();
  BOOL written = NotifyQueue().Write(&record, sizeof record);
  lock.Leave();
  return written;
}

UINT GetShellEventMessage(ShellEvent event) {
  // One slot per event; a slot stays 0 until its name is registered.
  static std::atomic<UINT> slots[SHELL_EVENT_COUNT];
  std::atomic<UINT>& slot = slots[event];
  UINT id = slot.load(std::memory_order_relaxed);
  if (id == 0) {
    id = RegisterWindowMessageW(kShellEventMessageNames[event]);
    slot.store(id, std::memory_order_relaxed);
  }
  return id;
}
