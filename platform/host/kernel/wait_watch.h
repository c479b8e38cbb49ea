// A thread that waits on another program's behalf (the handset server's thread for a program's
// wait or send) watches whether that program still waits: the long waits it makes look at the
// watch between slices, staying where they wait meanwhile, so that nothing they wait for (a
// pulse, an answer) is missed, and give up once the program has gone.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace cehost {

class WaitWatch {
 public:
  // How long a watched wait waits before it looks at the watch again.
  static constexpr std::chrono::milliseconds kSlice{100};

  // Watches the calling thread's waits with still_waiting until the watch goes.
  explicit WaitWatch(std::function<bool()> still_waiting);
  ~WaitWatch();
  WaitWatch(const WaitWatch&) = delete;
  WaitWatch& operator=(const WaitWatch&) = delete;

  // Whether the calling thread's waits are watched.
  static bool Active();
  // True when the calling thread is watched and no one waits for it any more.
  static bool Abandoned();
  // The point a wait that ends at deadline (none: waits for ever) wakes next to look at the
  // watch: the deadline itself when the thread is not watched.
  static std::chrono::steady_clock::time_point NextLook(
      std::chrono::steady_clock::time_point deadline);

  // Waits on the condition under the lock until ready(), the deadline (none: for ever), or, for a
  // watched thread, until no one waits for it any more; true when ready() holds.
  template <class Ready>
  static bool WaitUntil(std::condition_variable& condition, std::unique_lock<std::mutex>& lock,
                        std::optional<std::chrono::steady_clock::time_point> deadline,
                        Ready ready) {
    if (!Active()) {
      if (!deadline) {
        condition.wait(lock, ready);
        return true;
      }
      return condition.wait_until(lock, *deadline, ready);
    }
    // A watched thread looks at its watch between slices, staying where it waits.
    for (;;) {
      if (ready()) return true;
      auto now = std::chrono::steady_clock::now();
      if ((deadline && now >= *deadline) || Abandoned()) return false;
      condition.wait_until(lock, deadline ? NextLook(*deadline) : now + kSlice, ready);
    }
  }

 private:
  std::function<bool()> still_waiting_;
  // The watch this one stands in for while it lives.
  WaitWatch* previous_;
};

}  // namespace cehost
