#include "connection_pool.h"

#include <malloc.h>

#include <algorithm>
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
  if (!idle_.empty()) {
    Idle* idle = idle_.back();
    idle_.pop_back();
    idle->work = std::move(work);
    idle->wake.notify_one();
  } else if (threads_ < most_threads_) {
    ++threads_;
    // The thread counts itself out when it ends; shutdown() waits for the count to reach 0.
    std::thread([this, work = std::move(work)]() mutable { Work(std::move(work)); }).detach();
  } else {
    queue_.push_back(std::move(work));
  }
}

void ConnectionPool::shutdown() {
  std::unique_lock lock(mutex_);
  shutting_down_ = true;
  for (Idle* idle : idle_) {
    idle->end = true;
    idle->wake.notify_one();
  }
  idle_.clear();
  ended_.wait(lock, [this] { return threads_ == 0; });
}

void ConnectionPool::Work(std::function<void()> work) {
  Idle self;
  std::unique_lock lock(mutex_);
  for (;;) {
    lock.unlock();
    work();
    work = nullptr;
    lock.lock();
    if (!queue_.empty()) {
      work = std::move(queue_.front());
      queue_.pop_front();
      continue;
    }
    if (shutting_down_) break;
    idle_.push_back(&self);
    self.wake.wait_for(lock, kIdleEnd, [&] { return self.work || self.end; });
    if (!self.work) {
      // Ended, or idle too long: no connection is handed to it any more.
      idle_.erase(std::remove(idle_.begin(), idle_.end(), &self), idle_.end());
      break;
    }
    work = std::move(self.work);
    self.work = nullptr;
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
