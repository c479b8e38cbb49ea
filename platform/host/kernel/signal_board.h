// The process's signal board: a generation counter that every waitable object moves on when it
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

  // Called by an object after a change that may have signalled it (an event set, a queue written
  // to or read from, a queue end closed, a thread ended): wakes the waits that are watching. With
  // none watching it costs one load.
  void Post();

  // A wait on several objects, watching the board from before its first look at them until it
  // ends: no post made meanwhile is missed.
  class Watch {
   public:
    explicit Watch(SignalBoard& board);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    // The generation of the moment; read it before looking at the objects.
    uint64_t Generation() const { return board_.generation_.load(); }
    // Waits until the generation differs from seen, or until the deadline (none: for ever);
    // false when the deadline came first.
    bool WaitForChange(uint64_t seen,
                       std::optional<std::chrono::steady_clock::time_point> deadline);

   private:
    SignalBoard& board_;
  };

 private:
  std::atomic<uint64_t> generation_{0};
  // Waits watching the board.
  std::atomic<int> watchers_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace cehost
