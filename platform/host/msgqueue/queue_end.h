// The object behind a queue handle: one end of a message queue, in this program or held for it
// by the handset server.
#pragma once

#include <memory>

#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "kernel/handle_table.h"
#include "msgqueue/message_queue.h"

namespace cehost {

// A handle's end of a queue: it either reads or writes.
class QueueEnd : public HandleObject {
 public:
  explicit QueueEnd(bool reader) : HandleObject(HandleKind::kQueue), reader_(reader) {}
  bool reader() const { return reader_; }

  // Writes a message as WriteMsgQueue does, its arguments checked; 0 or the error.
  virtual DWORD WriteMessage(const uint8_t* data, DWORD size, DWORD timeout_ms, DWORD flags) = 0;
  // Reads a message as ReadMsgQueue does, its arguments checked; 0 or the error.
  virtual DWORD ReadMessage(uint8_t* buffer, DWORD capacity, DWORD timeout_ms, DWORD* copied,
                            DWORD* flags) = 0;
  // Fills in the queue's description; false with the last error set when it cannot.
  virtual bool Describe(MSGQUEUEINFO* info) = 0;
  // Another end on the same queue, as OpenMsgQueue makes; null with *error set when the queue
  // has no open end left.
  virtual std::shared_ptr<QueueEnd> Open(bool reader, DWORD* error) = 0;

 private:
  const bool reader_;
};

// An end of a queue of this program. The queue lives while an end is open.
class LocalQueueEnd : public QueueEnd {
 public:
  // Takes over an end already counted on the queue (MessageQueue::AddEnd).
  LocalQueueEnd(std::shared_ptr<MessageQueue> queue, bool reader)
      : QueueEnd(reader), queue_(std::move(queue)) {}
  // A read end is signalled while the queue holds a message, a write end while it has room.
  DWORD Wait(DWORD ms) override {
    bool signalled = reader() ? queue_->WaitReadable(ms) : queue_->WaitWritable(ms);
    return signalled ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }
  void Close() override { queue_->RemoveEnd(reader()); }
  DWORD WriteMessage(const uint8_t* data, DWORD size, DWORD timeout_ms, DWORD flags) override {
    return queue_->Write(data, size, timeout_ms, flags);
  }
  DWORD ReadMessage(uint8_t* buffer, DWORD capacity, DWORD timeout_ms, DWORD* copied,
                    DWORD* flags) override {
    return queue_->Read(buffer, capacity, timeout_ms, copied, flags);
  }
  bool Describe(MSGQUEUEINFO* info) override {
    queue_->Describe(info);
    return true;
  }
  std::shared_ptr<QueueEnd> Open(bool reader, DWORD* error) override;

 private:
  std::shared_ptr<MessageQueue> queue_;
};

}  // namespace cehost
