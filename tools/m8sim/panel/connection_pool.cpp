#include "connection_pool.h"

#include <malloc.h>

#include <chrono>
#include <thread>

namespace m8sim {

namespace {

// How long a thread waits for another connection before it ends.
constexpr auto kIdleEnd = std::chrono::seconds(5);

}  // namespace

ConnectionPool::ConnectionPool(size_t most_threads) : most_threads_(most_threads) {}

ConnectionPool::~ConnectionPool() {
  shutdown();
}

void ConnectionPool::enqueue(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(work));
  if (idle_ >= queue_.size() || threads_ >= most_threads_) {
    queued_.notify_one();
    return;
  }
  ++threads_;
  // The thread counts itself out when it ends; shutdown() waits for the count to reach 0.
  std::thread([this] { Work(); }).detach();
}

void ConnectionPool::shutdown() {
  std::unique_lock lock(mutex_);
  shutting_down_ = true;
  queued_.notify_all();
  ended_.wait(lock, [this] { return threads_ == 0; });
}

size_t ConnectionPool::threads() const {
  std::lock_guard lock(mutex_);
  return threads_;
}

void ConnectionPool::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    ++idle_;
    bool woken =
        queued_.wait_for(lock, kIdleEnd, [this] { return shutting_down_ || !queue_.empty(); });
    --idle_;
    if (queue_.empty()) {
      if (shutting_down_ || !woken) break;
      continue;
    }
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    work();
    lock.lock();
  }
  // A burst of connections leaves the memory its threads used free but kept by the allocator;
  // once the last thread is done, it goes back to the system. The thread is counted until then,
  // so that shutdown() waits for it.
  if (threads_ == 1 && !shutting_down_) {
    lock.unlock();
    malloc_trim(0);
    lock.lock();
  }
  --threads_;
  ended_.notify_all();
}

}  // namespace m8sim
