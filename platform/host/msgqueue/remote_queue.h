// Named message queues of a handset attached to its server: the queue is the server's, so that
// the ends of every program (the shell's among them) meet on it.
#pragma once

#include <string_view>

#include "ce/msgqueue.h"
#include "msgqueue/queue_end.h"
#include "server/remote_handle.h"

namespace cehost {

struct HandsetState;

// CreateMsgQueue of a named queue, made or opened in the server. A server that cannot be reached
// leaves no queue: null with ERROR_OUTOFMEMORY, as when the kernel cannot make one.
HANDLE CreateRemoteQueue(HandsetState& state, std::u16string_view name,
                         const MSGQUEUEOPTIONS& options);

// An end the server holds for this program. Once that server has gone, its calls fail with
// ERROR_INVALID_HANDLE.
class RemoteQueueEnd : public QueueEnd {
 public:
  RemoteQueueEnd(RemoteHandle remote, bool reader) : QueueEnd(reader), remote_(std::move(remote)) {}
  DWORD Wait(DWORD ms) override { return remote_.Wait(ms); }
  void Close() override { remote_.Close(); }
  DWORD WriteMessage(const uint8_t* data, DWORD size, DWORD timeout_ms, DWORD flags) override;
  DWORD ReadMessage(uint8_t* buffer, DWORD capacity, DWORD timeout_ms, DWORD* copied,
                    DWORD* flags) override;
  bool Describe(MSGQUEUEINFO* info) override;
  std::shared_ptr<QueueEnd> Open(bool reader, DWORD* error) override;

 private:
  const RemoteHandle remote_;
};

}  // namespace cehost
