// The process's signal board: one generation counter that every waitable object moves on when it
// may have become signalled, so that a wait on several objects of different kinds sleeps until
// something changes instead of polling.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace cehost {

class SignalBoard {
 public:
  // The one board of the process (objects of every handset post to it).
  static SignalBoard& Instance();

  // The generation of the moment; read it before looking at the objects.
  uint64_t Generation() const { return generation_.load(); }
  // Moves the generation on and wakes the threads waiting for a change; called by an object after
  // a change that may have signalled it (an event set, a queue written to or read from, a queue
  // end closed, a thread ended).
  void Post();
  // Waits until the generation differs from seen, or until the deadline (none: for ever); false
  // when the deadline came first.
  bool WaitForChange(uint64_t seen, std::optional<std::chrono::steady_clock::time_point> deadline);

 private:
  std::atomic<uint64_t> generation_{0};
  // Threads inside WaitForChange: a post with none takes no lock.
  std::atomic<int> sleepers_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace cehost
