// The object behind a queue handle: one end of a message queue.
#pragma once

#include <memory>

#include "ce/kernel.h"
#include "kernel/handle_table.h"
#include "msgqueue/message_queue.h"

namespace cehost {

// A handle's end of a queue: it either reads or writes. The queue lives while an end is open.
class QueueEnd : public HandleObject {
 public:
  // Takes over an end already counted on the queue (MessageQueue::AddEnd).
  QueueEnd(std::shared_ptr<MessageQueue> queue, bool reader)
      : HandleObject(HandleKind::kQueue), queue_(std::move(queue)), reader_(reader) {}
  MessageQueue& queue() const { return *queue_; }
  const std::shared_ptr<MessageQueue>& shared_queue() const { return queue_; }
  bool reader() const { return reader_; }
  // A read end is signalled while the queue holds a message, a write end while it has room.
  DWORD Wait(DWORD ms) override {
    bool signalled = reader_ ? queue_->WaitReadable(ms) : queue_->WaitWritable(ms);
    return signalled ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }
  void Close() override { queue_->RemoveEnd(reader_); }

 private:
  std::shared_ptr<MessageQueue> queue_;
  const bool reader_;
};

}  // namespace cehost
