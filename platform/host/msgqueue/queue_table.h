// The named message queues of a handset.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "msgqueue/message_queue.h"

namespace cehost {

// Named queues of a handset, in a namespace of their own (a queue and an event may share a
// name). Names are compared with their case, as Windows CE compares the names of its objects.
class QueueTable {
 public:
  // Counts a new end on the queue of that name when it still has an open end (*existed true), or
  // else on a new queue made by make() (*existed false).
  template <class Make>
  std::shared_ptr<MessageQueue> Open(const std::u16string& name, bool reader, bool* existed,
                                     Make make) {
    std::lock_guard lock(mutex_);
    auto& entry = named_[name];
    if (auto queue = entry.lock(); queue && queue->AddEnd(reader)) {
      *existed = true;
      return queue;
    }
    // Forget names whose queues are gone, so the table does not grow with them.
    std::erase_if(named_, [&](const auto& e) { return e.first != name && e.second.expired(); });
    std::shared_ptr<MessageQueue> queue = make();
    queue->AddEnd(reader);
    entry = queue;
    *existed = false;
    return queue;
  }

 private:
  std::mutex mutex_;
  std::map<std::u16string, std::weak_ptr<MessageQueue>> named_;
};

}  // namespace cehost
