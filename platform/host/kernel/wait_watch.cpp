#include "kernel/wait_watch.h"

#include <utility>

namespace cehost {

namespace {

thread_local WaitWatch* t_watch = nullptr;

}  // namespace

WaitWatch::WaitWatch(std::function<bool()> still_waiting)
    : still_waiting_(std::move(still_waiting)), previous_(t_watch) {
  t_watch = this;
}

WaitWatch::~WaitWatch() {
  t_watch = previous_;
}

bool WaitWatch::Active() {
  return t_watch != nullptr;
}

bool WaitWatch::Abandoned() {
  return t_watch && !t_watch->still_waiting_();
}

std::chrono::steady_clock::time_point WaitWatch::NextLook(
    std::chrono::steady_clock::time_point deadline) {
  if (!t_watch) return deadline;
  return std::min(deadline, std::chrono::steady_clock::now() + kSlice);
}

}  // namespace cehost
