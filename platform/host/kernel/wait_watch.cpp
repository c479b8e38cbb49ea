#include "kernel/wait_watch.h"

#include <utility>

namespace cehost {

namespace {

thread_local std::function<bool()>* t_watch = nullptr;

}  // namespace

WaitWatch::WaitWatch(std::function<bool()> still_waiting) {
  t_watch = new std::function<bool()>(std::move(still_waiting));
}

WaitWatch::~WaitWatch() {
  delete t_watch;
  t_watch = nullptr;
}

bool WaitWatch::Active() {
  return t_watch != nullptr;
}

bool WaitWatch::Abandoned() {
  return t_watch && !(*t_watch)();
}

std::chrono::steady_clock::time_point WaitWatch::NextLook(
    std::chrono::steady_clock::time_point deadline) {
  if (!t_watch) return deadline;
  return std::min(deadline, std::chrono::steady_clock::now() + kSlice);
}

}  // namespace cehost
