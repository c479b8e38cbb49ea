// One point-to-point message queue: its messages, its limits, and the ends open on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ce/msgqueue.h"
#include "ce/types.h"
#include "cehost/journal.h"

namespace cehost {

class MessageQueue {
 public:
  // A queue with the limits and flags of options (already checked); name is what the journal
  // shows ("(unnamed)" for a queue without a name). Its writes are recorded in journal.
  MessageQueue(std::string name, const MSGQUEUEOPTIONS& options, Journal* journal);

  const std::string& name() const { return name_; }

  // Counts a new read or write end. An end may only be added while another is open (or to a queue
  // just made): false when every end has gone, since the queue is then gone for new openers.
  bool AddEnd(bool reader);
  // Counts an end as closed; waiters that needed it are woken.
  void RemoveEnd(bool reader);

  // Puts one message at the end of the queue (an alert in its own slot ahead of the others),
  // waiting up to timeout_ms for room, and records it in the journal before any reader can take
  // it. Returns 0, or the error: ERROR_INSUFFICIENT_BUFFER, ERROR_PIPE_NOT_CONNECTED,
  // ERROR_TIMEOUT, ERROR_OUTOFMEMORY.
  DWORD Write(const uint8_t* data, DWORD size, DWORD timeout_ms, DWORD flags);
  // Takes the first message (the alert, when one waits), waiting up to timeout_ms for one, and
  // copies at most capacity bytes of it. Returns 0 or the error (ERROR_INSUFFICIENT_BUFFER when
  // the message was longer: it is taken all the same; ERROR_TIMEOUT; ERROR_PIPE_NOT_CONNECTED);
  // *copied and *flags are set whenever a message was taken.
  DWORD Read(uint8_t* buffer, DWORD capacity, DWORD timeout_ms, DWORD* copied, DWORD* flags);

  // Waits up to timeout_ms until the queue holds a message; true when it does.
  bool WaitReadable(DWORD timeout_ms);
  // Waits up to timeout_ms until the queue has room for a normal message; true when it has.
  bool WaitWritable(DWORD timeout_ms);

  // The queue's flags, limits, messages and ends.
  void Describe(MSGQUEUEINFO* info);

 private:
  // A message's bytes; a slot keeps its memory for the messages that come after.
  struct Slot {
    std::vector<uint8_t> bytes;
    DWORD size = 0;
  };
  using Deadline = std::optional<std::chrono::steady_clock::time_point>;
  static Deadline DeadlineOf(DWORD timeout_ms);
  // Waits on the condition until ready() or the deadline; false when the deadline came first.
  template <class Ready>
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& condition,
                 const Deadline& deadline, Ready ready);

  bool Full() const { return max_messages_ != 0 && count_ >= max_messages_; }
  size_t Waiting() const { return count_ + (alert_waiting_ ? 1 : 0); }
  bool Broken(bool reader_side) const;
  // Copies the message into the next free slot of the ring, growing the ring when it is full.
  void Push(const uint8_t* data, DWORD size);
  // The journal entry of one message written.
  void Record(const uint8_t* data, DWORD size, DWORD flags);

  const std::string name_;
  const DWORD flags_;
  const DWORD max_messages_;  // 0: no limit
  const DWORD max_message_bytes_;
  Journal* const journal_;

  std::mutex mutex_;
  std::condition_variable readable_;  // a message came, or the last writer went
  std::condition_variable writable_;  // room was made, or the last reader went
  std::vector<Slot> ring_;
  size_t head_ = 0;
  size_t count_ = 0;
  Slot alert_;
  bool alert_waiting_ = false;
  size_t most_waiting_ = 0;
  int readers_ = 0;
  int writers_ = 0;
  bool gone_ = false;
};

}  // namespace cehost
