// Events: making them and setting, resetting and pulsing them.
#include <chrono>
#include <optional>

#include "ce/kernel.h"
#include "ce/text.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "kernel/event_table.h"
#include "kernel/remote_event.h"
#include "kernel/signal_board.h"
#include "kernel/wait_watch.h"

namespace cehost {

bool Event::Release(bool all) {
  bool any = false;
  for (Waiter* waiter : waiters_) {
    if (waiter->released) continue;
    waiter->released = true;
    any = true;
    if (!all) break;
  }
  if (any) changed_.notify_all();
  return any;
}

void Event::Set() {
  {
    std::lock_guard lock(mutex_);
    if (manual_) {
      Release(true);
      signalled_ = true;
    } else if (!Release(false)) {
      signalled_ = true;
    }
  }
  SignalBoard::Instance().Post();
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

void Event::Pulse() {
  {
    std::lock_guard lock(mutex_);
    Release(manual_);
    signalled_ = false;
  }
  SignalBoard::Instance().Post();
}

bool Event::Wait(DWORD ms) {
  std::unique_lock lock(mutex_);
  if (signalled_) {
    // An auto-reset event lets one thread through and resets.
    if (!manual_) signalled_ = false;
    return true;
  }
  if (ms == 0) return false;
  Waiter self;
  waiters_.push_back(&self);
  std::optional<std::chrono::steady_clock::time_point> deadline;
  if (ms != INFINITE) deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  // A watched thread stays a waiter while it looks at its watch: a pulse meanwhile releases it.
  WaitWatch::WaitUntil(changed_, lock, deadline, [&] { return self.released; });
  waiters_.remove(&self);
  return self.released;
}

std::shared_ptr<Event> EventTable::Open(const std::u16string& name, bool manual_reset,
                                        bool signalled, bool* existed) {
  std::lock_guard lock(mutex_);
  if (auto event = named_[name].lock()) {
    *existed = true;
    return event;
  }
  // Forget names whose events are gone, so the table does not grow with them.
  std::erase_if(named_, [](const auto& entry) { return entry.second.expired(); });
  auto event = std::make_shared<Event>(manual_reset, signalled, name);
  named_[name] = event;
  *existed = false;
  return event;
}

namespace {

void Record(Journal& journal, EffectKind kind, const Event& event) {
  RecordEffect(journal, kind, {{"name", ToUtf8(event.name())}});
}

}  // namespace

BOOL EventObject::Modify(DWORD func) {
  Event& event = *event_;
  switch (func) {
    case EVENT_SET:
      event.Set();
      Record(*journal_, EffectKind::kEventSet, event);
      return TRUE;
    case EVENT_RESET:
      event.Reset();
      Record(*journal_, EffectKind::kEventReset, event);
      return TRUE;
    case EVENT_PULSE:
      event.Pulse();
      Record(*journal_, EffectKind::kEventPulse, event);
      return TRUE;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

}  // namespace cehost

using namespace cehost;

extern "C" HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                               LPCWSTR lpName) {
  if (lpName && wcslen(lpName) >= MAX_PATH) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HandsetState& state = Current();
  // A named event of a handset attached to its server is the server's, shared by every program.
  if (lpName && state.server)
    return CreateRemoteEvent(state, lpName, bManualReset != 0, bInitialState != 0);
  std::shared_ptr<Event> event;
  bool existed = false;
  // Without a name the event is the caller's alone; "" is a name like any other.
  if (lpName) {
    event = state.events.Open(lpName, bManualReset != 0, bInitialState != 0, &existed);
  } else {
    event = std::make_shared<Event>(bManualReset != 0, bInitialState != 0, std::u16string());
  }
  uint32_t value =
      state.handles.Insert(std::make_shared<EventObject>(std::move(event), &state.journal));
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return HandleTable::ToHandle<HANDLE>(value);
}

extern "C" BOOL EventModify(HANDLE hEvent, DWORD func) {
  auto object = Current().handles.Get<EventHandle>(hEvent, HandleKind::kEvent);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return object->Modify(func);
}

extern "C" BOOL SetEvent(HANDLE hEvent) {
  return EventModify(hEvent, EVENT_SET);
}

extern "C" BOOL ResetEvent(HANDLE hEvent) {
  return EventModify(hEvent, EVENT_RESET);
}

extern "C" BOOL PulseEvent(HANDLE hEvent) {
  return EventModify(hEvent, EVENT_PULSE);
}
