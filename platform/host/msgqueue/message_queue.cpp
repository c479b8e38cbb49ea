#include "msgqueue/message_queue.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "ce/errors.h"
#include "kernel/signal_board.h"
#include "kernel/wait_watch.h"

namespace cehost {

MessageQueue::MessageQueue(std::string name, const MSGQUEUEOPTIONS& options, Journal* journal)
    : name_(std::move(name)),
      flags_(options.dwFlags),
      max_messages_(options.dwMaxMessages),
      max_message_bytes_(options.cbMaxMessage),
      journal_(journal) {}

bool MessageQueue::AddEnd(bool reader) {
  std::lock_guard lock(mutex_);
  if (gone_) return false;
  ++(reader ? readers_ : writers_);
  return true;
}

void MessageQueue::RemoveEnd(bool reader) {
  {
    std::lock_guard lock(mutex_);
    --(reader ? readers_ : writers_);
    if (readers_ == 0 && writers_ == 0) gone_ = true;
  }
  // A writer waiting for room fails once no reader is left, a reader waiting for a message once
  // no writer is (unless the queue allows that).
  (reader ? writable_ : readable_).notify_all();
  SignalBoard::Instance().Post();
}

bool MessageQueue::Broken(bool reader_side) const {
  if (flags_ & MSGQUEUE_ALLOW_BROKEN) return false;
  return reader_side ? writers_ == 0 : readers_ == 0;
}

MessageQueue::Deadline MessageQueue::DeadlineOf(DWORD timeout_ms) {
  if (timeout_ms == INFINITE) return std::nullopt;
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
}

template <class Ready>
bool MessageQueue::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& condition,
                             const Deadline& deadline, Ready ready) {
  return WaitWatch::WaitUntil(condition, lock, deadline, std::move(ready));
}

DWORD MessageQueue::Write(const uint8_t* data, DWORD size, DWORD timeout_ms, DWORD flags) {
  if (size > max_message_bytes_) return ERROR_INSUFFICIENT_BUFFER;
  // The alert has a slot of its own, outside dwMaxMessages, so that an alert can always reach the
  // reader of a full queue; a second alert waits until the first is read.
  const bool alert = (flags & MSGQUEUE_MSGALERT) != 0;
  auto has_room = [&] { return alert ? !alert_waiting_ : !Full(); };
  std::unique_lock lock(mutex_);
  if (Broken(false)) return ERROR_PIPE_NOT_CONNECTED;
  if (!has_room()) {
    if (timeout_ms == 0) return ERROR_TIMEOUT;
    WaitUntil(lock, writable_, DeadlineOf(timeout_ms), [&] { return has_room() || Broken(false); });
    if (Broken(false)) return ERROR_PIPE_NOT_CONNECTED;
    if (!has_room()) return ERROR_TIMEOUT;
  }
  try {
    if (alert) {
      alert_.bytes.assign(data, data + size);
      alert_.size = size;
      alert_waiting_ = true;
    } else {
      Push(data, size);
    }
  } catch (const std::bad_alloc&) {
    return ERROR_OUTOFMEMORY;
  }
  most_waiting_ = std::max(most_waiting_, Waiting());
  // Recorded before the lock is let go: a reader that takes the message, and journals what it
  // made of it, comes after this entry.
  Record(data, size, flags);
  lock.unlock();
  readable_.notify_all();
  SignalBoard::Instance().Post();
  return 0;
}

void MessageQueue::Push(const uint8_t* data, DWORD size) {
  if (count_ == ring_.size()) {
    // Every slot holds a message: a ring twice as large, its messages first in order, keeps them
    // and their memory.
    size_t slots = std::max<size_t>(4, ring_.size() * 2);
    if (max_messages_ != 0) slots = std::min<size_t>(slots, max_messages_);
    std::vector<Slot> grown(slots);
    for (size_t i = 0; i < count_; ++i) grown[i] = std::move(ring_[(head_ + i) % ring_.size()]);
    ring_ = std::move(grown);
    head_ = 0;
  }
  size_t tail = head_ + count_;
  if (tail >= ring_.size()) tail -= ring_.size();
  Slot& slot = ring_[tail];
  slot.bytes.assign(data, data + size);
  slot.size = size;
  ++count_;
}

void MessageQueue::Record(const uint8_t* data, DWORD size, DWORD flags) {
  try {
    // Built in place: every message takes this path, and a braced list would copy each string.
    std::vector<std::pair<std::string, std::string>> fields;
    fields.reserve(3);
    fields.emplace_back("queue", name_);
    fields.emplace_back("size", std::to_string(size));
    // As HexNumber shows them: the flags are none or the alert.
    fields.emplace_back("flags", flags & MSGQUEUE_MSGALERT ? "0x1" : "0x0");
    RecordEffect(*journal_, EffectKind::kQueueWrite, std::move(fields),
                 std::vector<uint8_t>(data, data + size));
  } catch (const std::bad_alloc&) {
    // Out of memory for the journal: the message is in the queue all the same.
  }
}

DWORD MessageQueue::Read(uint8_t* buffer, DWORD capacity, DWORD timeout_ms, DWORD* copied,
                         DWORD* flags) {
  std::unique_lock lock(mutex_);
  // Messages already written are read even when every writer has gone since.
  if (Waiting() == 0) {
    if (Broken(true)) return ERROR_PIPE_NOT_CONNECTED;
    if (timeout_ms == 0) return ERROR_TIMEOUT;
    WaitUntil(lock, readable_, DeadlineOf(timeout_ms),
              [&] { return Waiting() > 0 || Broken(true); });
    if (Waiting() == 0) return Broken(true) ? ERROR_PIPE_NOT_CONNECTED : ERROR_TIMEOUT;
  }
  const bool alert = alert_waiting_;
  Slot& slot = alert ? alert_ : ring_[head_];
  const DWORD size = slot.size;
  *copied = std::min(size, capacity);
  std::memcpy(buffer, slot.bytes.data(), *copied);
  *flags = alert ? MSGQUEUE_MSGALERT : 0;
  if (alert) {
    alert_waiting_ = false;
  } else {
    if (++head_ == ring_.size()) head_ = 0;
    --count_;
  }
  lock.unlock();
  writable_.notify_all();
  SignalBoard::Instance().Post();
  return size > capacity ? ERROR_INSUFFICIENT_BUFFER : 0;
}

bool MessageQueue::WaitReadable(DWORD timeout_ms) {
  std::unique_lock lock(mutex_);
  if (Waiting() > 0) return true;
  if (timeout_ms == 0) return false;
  return WaitUntil(lock, readable_, DeadlineOf(timeout_ms), [&] { return Waiting() > 0; });
}

bool MessageQueue::WaitWritable(DWORD timeout_ms) {
  std::unique_lock lock(mutex_);
  if (!Full()) return true;
  if (timeout_ms == 0) return false;
  return WaitUntil(lock, writable_, DeadlineOf(timeout_ms), [&] { return !Full(); });
}

void MessageQueue::Describe(MSGQUEUEINFO* info) {
  std::lock_guard lock(mutex_);
  info->dwFlags = flags_;
  info->dwMaxMessages = max_messages_;
  info->cbMaxMessage = max_message_bytes_;
  info->dwCurrentMessages = static_cast<DWORD>(Waiting());
  info->dwMaxQueueMessages = static_cast<DWORD>(most_waiting_);
  info->wNumReaders = static_cast<WORD>(readers_);
  info->wNumWriters = static_cast<WORD>(writers_);
}

}  // namespace cehost
