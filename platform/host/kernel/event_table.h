// Events: the object behind an event handle, and the handset's table of named events.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "ce/kernel.h"
#include "ce/types.h"
#include "kernel/handle_table.h"

namespace cehost {
class Journal;
}

namespace cehost {

// One event, shared by every handle opened on it.
class Event {
 public:
  Event(bool manual_reset, bool signalled, std::u16string name)
      : manual_(manual_reset), signalled_(signalled), name_(std::move(name)) {}

  const std::u16string& name() const { return name_; }
  // Signals the event: a manual-reset event releases every thread waiting now and stays
  // signalled; an auto-reset event releases one waiting thread, or stays signalled for the next.
  void Set();
  // Makes the event non-signalled; threads a set already released stay released.
  void Reset();
  // Releases the threads waiting now (one for an auto-reset event) and leaves it reset.
  void Pulse();
  // Waits up to ms (INFINITE: for ever); true when the event released the caller.
  bool Wait(DWORD ms);

 private:
  // A thread waiting on the event; released by a set or a pulse made while it waits.
  struct Waiter {
    bool released = false;
  };
  // Releases the first waiter not released yet, or every one; false when there was none.
  bool Release(bool all);

  std::mutex mutex_;
  std::condition_variable changed_;
  const bool manual_;
  bool signalled_;
  std::list<Waiter*> waiters_;
  const std::u16string name_;
};

// A handle's view of an event, in this program or held for it by the handset server.
class EventHandle : public HandleObject {
 public:
  EventHandle() : HandleObject(HandleKind::kEvent) {}
  // Sets, resets or pulses the event as EventModify does; FALSE with the last error set when
  // func is none of those or the event cannot be reached.
  virtual BOOL Modify(DWORD func) = 0;
};

// A handle on an event of this program.
class EventObject : public EventHandle {
 public:
  EventObject(std::shared_ptr<Event> event, Journal* journal)
      : event_(std::move(event)), journal_(journal) {}
  Event& event() { return *event_; }
  // Signalled while the event is; waiting on an auto-reset event resets it.
  DWORD Wait(DWORD ms) override { return event_->Wait(ms) ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
  // Setting, resetting and pulsing are journaled: they are effects other programs see.
  BOOL Modify(DWORD func) override;

 private:
  std::shared_ptr<Event> event_;
  Journal* const journal_;
};

// Named events of a handset. Names are compared with their case, as CE does; an event lives
// while a handle refers to it.
class EventTable {
 public:
  // The event of that name, made with the flags when there is none; *existed tells which.
  std::shared_ptr<Event> Open(const std::u16string& name, bool manual_reset, bool signalled,
                              bool* existed);

 private:
  std::mutex mutex_;
  std::map<std::u16string, std::weak_ptr<Event>> named_;
};

}  // namespace cehost
