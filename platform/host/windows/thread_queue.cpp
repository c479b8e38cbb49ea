#include "windows/thread_queue.h"

#include <utility>

#include "windows/window_table.h"

namespace cehost {

namespace {

// Holds the thread's queue; when the thread ends, its windows go with it, as on the platform.
struct QueueSlot {
  std::shared_ptr<ThreadMessageQueue> queue;
  ~QueueSlot() {
    if (queue) ReleaseThreadQueue(queue);
  }
};

thread_local QueueSlot t_queue_slot;

}  // namespace

std::shared_ptr<ThreadMessageQueue> ThreadQueueOf(uint64_t table) {
  const auto& queue = t_queue_slot.queue;
  if (!queue || queue->table() != table || queue->closed()) return nullptr;
  return queue;
}

void AdoptQueue(std::shared_ptr<ThreadMessageQueue> queue) {
  auto previous = std::exchange(t_queue_slot.queue, std::move(queue));
  if (previous) ReleaseThreadQueue(previous);
}

}  // namespace cehost
