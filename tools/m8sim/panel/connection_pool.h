// The threads that answer the panel's connections: as many as there are connections at once, up
// to a limit, so that pages holding event streams never keep a request waiting.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace m8sim {

class ConnectionPool : public httplib::TaskQueue {
 public:
  // At most most_threads run at once; connections beyond them wait for one to be free. A thread
  // idle longer than a few seconds ends, down to none.
  explicit ConnectionPool(size_t most_threads);
  ~ConnectionPool() override;

  // Runs the connection's work on the thread idle the shortest time, or on a new one while there
  // are fewer than the limit.
  void enqueue(std::function<void()> work) override;
  // Runs what is queued and returns once every thread has ended.
  void shutdown() override;

 private:
  // A thread waiting for work: handed the next connection, or told to end.
  struct Idle {
    std::condition_variable wake;
    std::function<void()> work;
    bool end = false;
  };

  void Work(std::function<void()> work);

  const size_t most_threads_;
  std::mutex mutex_;
  std::condition_variable ended_;
  std::deque<std::function<void()>> queue_;
  // The idle threads, the one idle the shortest time last: it takes the next connection, so that
  // under a steady load the others stay idle long enough to end.
  std::vector<Idle*> idle_;
  size_t threads_ = 0;
  bool shutting_down_ = false;
};

}  // namespace m8sim
