// The object behind a thread handle.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "ce/kernel.h"
#include "kernel/event_table.h"
#include "kernel/handle_table.h"

namespace cehost {

class ThreadObject : public HandleObject {
 public:
  ThreadObject() : HandleObject(HandleKind::kThread) {}
  // A thread's handle is signalled when the thread has ended.
  DWORD Wait(DWORD ms) override { return finished.Wait(ms) ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
  // Signalled when the thread has ended.
  Event finished{true, false, u""};
  std::atomic<DWORD> exit_code{STILL_ACTIVE};
};

// How many threads started by CreateThread on a handset are still running.
class ThreadCount {
 public:
  // Counts a thread that is about to start.
  void Started() {
    std::lock_guard lock(mutex_);
    ++running_;
  }
  // Counts a thread that has ended.
  void Ended() {
    std::lock_guard lock(mutex_);
    if (--running_ == 0) idle_.notify_all();
  }
  // Waits until no counted thread runs; false when the time runs out first.
  bool WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return running_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable idle_;
  int running_ = 0;
};

}  // namespace cehost
