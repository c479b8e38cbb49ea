#include "shell/remote_launch.h"

#include "ce/errors.h"
#include "cehost/text.h"
#include "handset/handset_state.h"

namespace cehost {

BOOL RemoteLaunch(HandsetState& state, LPSHELLEXECUTEINFO info) {
  bool keep = (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0;
  wire::Writer request = ServerRequest(ServerOp::kLaunch);
  request.Text(BoundedText(info->lpFile, MAX_PATH))
      .Text(info->lpParameters ? BoundedText(info->lpParameters, MAX_PATH) : u"")
      .Text(info->lpVerb ? BoundedText(info->lpVerb, MAX_PATH) : u"")
      .U32(static_cast<uint32_t>(info->nShow))
      .U8(keep ? 1 : 0);
  auto reply = state.server->Call(request);
  BOOL result = reply ? reply->fields.U32() : FALSE;
  uint64_t instance = reply ? reply->fields.U64() : 0;
  uint32_t process = reply ? reply->fields.U32() : 0;
  if (!reply || !reply->fields.End()) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(kShellFileNotFound);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(instance));
  if (process) {
    auto object = std::make_shared<RemoteProcess>(RemoteHandle(state.server, reply->boot, process));
    info->hProcess = HandleTable::ToHandle<HANDLE>(state.handles.Insert(std::move(object)));
  }
  if (!result) SetLastError(reply->last_error);
  return result;
}

BOOL RemoteProcess::ExitCode(DWORD* code) const {
  auto reply = remote_.Call(remote_.Request(ServerOp::kExitCode));
  BOOL result = reply ? reply->fields.U32() : FALSE;
  DWORD exit_code = reply ? reply->fields.U32() : 0;
  if (!reply || !reply->fields.End()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!result) {
    SetLastError(reply->last_error);
    return FALSE;
  }
  *code = exit_code;
  return TRUE;
}

}  // namespace cehost
