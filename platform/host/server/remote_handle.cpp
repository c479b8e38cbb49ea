#include "server/remote_handle.h"

#include "ce/errors.h"
#include "ce/kernel.h"

namespace cehost {

wire::Writer RemoteHandle::Request(ServerOp op) const {
  wire::Writer request = ServerRequest(op);
  request.U32(handle_);
  return request;
}

std::unique_ptr<ServerReply> RemoteHandle::Call(const wire::Writer& request) const {
  return server_->Call(request, boot_);
}

DWORD RemoteHandle::Wait(DWORD ms) const {
  wire::Writer request = Request(ServerOp::kWait);
  request.U32(ms);
  auto reply = Call(request);
  DWORD result = reply ? reply->fields.U32() : WAIT_FAILED;
  if (!reply || !reply->fields.End()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (result == WAIT_FAILED) SetLastError(reply->last_error);
  return result;
}

void RemoteHandle::Close() const {
  Call(Request(ServerOp::kClose));
}

}  // namespace cehost
