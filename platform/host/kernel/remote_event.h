// Named events of a handset attached to its server: the event is the server's, so that a set in
// one program releases a wait in another (the input method's among them).
#pragma once

#include "ce/types.h"
#include "kernel/event_table.h"
#include "server/remote_handle.h"

namespace cehost {

struct HandsetState;

// CreateEventW of a named event, made or opened in the server. A server that cannot be reached
// leaves no event: null with ERROR_OUTOFMEMORY, as when the kernel cannot make one.
HANDLE CreateRemoteEvent(HandsetState& state, LPCWSTR name, bool manual_reset, bool signalled);

// A handle the server holds for this program on an event. Once that server has gone, its calls
// fail with ERROR_INVALID_HANDLE.
class RemoteEvent : public EventHandle {
 public:
  explicit RemoteEvent(RemoteHandle remote) : remote_(std::move(remote)) {}
  DWORD Wait(DWORD ms) override { return remote_.Wait(ms); }
  void Close() override { remote_.Close(); }
  BOOL Modify(DWORD func) override;

 private:
  const RemoteHandle remote_;
};

}  // namespace cehost
