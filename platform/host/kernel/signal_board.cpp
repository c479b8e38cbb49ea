#include "kernel/signal_board.h"

namespace cehost {

SignalBoard& SignalBoard::Instance() {
  // Never destroyed: threads still running at exit may post to it.
  static auto* board = new SignalBoard;
  return *board;
}

void SignalBoard::Post() {
  generation_.fetch_add(1);
  // A sleeper counts itself before it looks at the generation, and a post moves the generation
  // before it looks at the sleepers (both sequentially consistent): either the sleeper sees the
  // new generation, or the post sees the sleeper and wakes it under the lock.
  if (sleepers_.load() == 0) return;
  { std::lock_guard lock(mutex_); }
  changed_.notify_all();
}

bool SignalBoard::WaitForChange(uint64_t seen,
                                std::optional<std::chrono::steady_clock::time_point> deadline) {
  std::unique_lock lock(mutex_);
  sleepers_.fetch_add(1);
  auto moved = [&] { return generation_.load() != seen; };
  bool changed = true;
  if (deadline) {
    changed = changed_.wait_until(lock, *deadline, moved);
  } else {
    changed_.wait(lock, moved);
  }
  sleepers_.fetch_sub(1);
  return changed;
}

}  // namespace cehost
