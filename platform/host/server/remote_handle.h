// A handle the handset server holds for this program, as the program's own object for it (a
// device, a queue end, an event) refers to it.
#pragma once

#include <cstdint>
#include <memory>

#include "ce/types.h"
#include "server/server_link.h"

namespace cehost {

class RemoteHandle {
 public:
  RemoteHandle(std::shared_ptr<ServerLink> server, uint64_t boot, uint32_t handle)
      : server_(std::move(server)), boot_(boot), handle_(handle) {}

  // A request on the handle: its operation and the handle; the operation's fields follow.
  wire::Writer Request(ServerOp op) const;
  // Sends the request to the server that holds the handle; null when that server has gone (it
  // was stopped, killed or replaced by a new one): the handle is then no longer valid.
  std::unique_ptr<ServerReply> Call(const wire::Writer& request) const;
  // Waits in the server up to ms for the object to be signalled: WAIT_OBJECT_0 or WAIT_TIMEOUT;
  // WAIT_FAILED with ERROR_INVALID_HANDLE when the server has gone.
  DWORD Wait(DWORD ms) const;
  // Closes the handle in the server; a server that has gone closed it with everything else the
  // program held there.
  void Close() const;

 private:
  const std::shared_ptr<ServerLink> server_;
  const uint64_t boot_;
  const uint32_t handle_;
};

}  // namespace cehost
