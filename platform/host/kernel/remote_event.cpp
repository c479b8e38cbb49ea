#include "kernel/remote_event.h"

#include <string_view>

#include "ce/errors.h"
#include "cehost/text.h"
#include "handset/handset_state.h"

namespace cehost {

HANDLE CreateRemoteEvent(HandsetState& state, LPCWSTR name, bool manual_reset, bool signalled) {
  wire::Writer request = ServerRequest(ServerOp::kEventCreate);
  request.U8(manual_reset ? 1 : 0).U8(signalled ? 1 : 0).Text(BoundedText(name, MAX_PATH));
  auto reply = state.server->Call(request);
  uint32_t handle = reply ? reply->fields.U32() : 0;
  if (!reply || !reply->fields.End() || handle == 0) {
    SetLastError(reply && reply->last_error ? reply->last_error : ERROR_OUTOFMEMORY);
    return nullptr;
  }
  auto event = std::make_shared<RemoteEvent>(RemoteHandle(state.server, reply->boot, handle));
  HANDLE opened = HandleTable::ToHandle<HANDLE>(state.handles.Insert(std::move(event)));
  SetLastError(reply->last_error);
  return opened;
}

BOOL RemoteEvent::Modify(DWORD func) {
  wire::Writer request = remote_.Request(ServerOp::kEventModify);
  request.U32(func);
  auto reply = remote_.Call(request);
  BOOL result = reply ? reply->fields.U32() : FALSE;
  if (!reply || !reply->fields.End()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!result) SetLastError(reply->last_error);
  return result;
}

}  // namespace cehost
