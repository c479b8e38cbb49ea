#include "kernel/signal_board.h"

namespace cehost {

SignalBoard& SignalBoard::Instance() {
  // Never destroyed: threads still running at exit may post to it.
  static auto* board = new SignalBoard;
  return *board;
}

// An object changes under its own lock and posts after it; a watch counts itself before it looks
// at an object under that lock. So either the watch looked after the change, or the post comes
// after the count (the object's lock orders them) and sees it: then it moves the generation and
// wakes the watch under the board's lock.
void SignalBoard::Post() {
  if (watchers_.load() == 0) return;
  {
    std::lock_guard lock(mutex_);
    generation_.fetch_add(1);
  }
  changed_.notify_all();
}

SignalBoard::Watch::Watch(SignalBoard& board) : board_(board) {
  board_.watchers_.fetch_add(1);
}

SignalBoard::Watch::~Watch() {
  board_.watchers_.fetch_sub(1);
}

bool SignalBoard::Watch::WaitForChange(
    uint64_t seen, std::optional<std::chrono::steady_clock::time_point> deadline) {
  std::unique_lock lock(board_.mutex_);
  auto moved = [&] { return board_.generation_.load() != seen; };
  if (!deadline) {
    board_.changed_.wait(lock, moved);
    return true;
  }
  return board_.changed_.wait_until(lock, *deadline, moved);
}

}  // namespace cehost
