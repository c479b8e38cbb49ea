// A thread that waits on another program's behalf (the handset server's thread for a program's
// wait or send) watches whether that program still waits: the long waits it makes look at the
// watch between slices, staying where they wait meanwhile, so that nothing they wait for (a
// pulse, an answer) is missed, and give up once the program has gone.
#pragma once

#include <chrono>
#include <functional>

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
};

}  // namespace cehost
