#include "ce/errors.h"
#include "server/server_link.h"
#include "windows/message_names.h"

namespace cehost {

// Without its server the handset has no table to register in: the call fails as it does when
// the table is full.
UINT RegisterRemoteMessage(ServerLink& server, MessageNames& names, std::u16string_view name,
                           DWORD* error) {
  wire::Writer request = ServerRequest(ServerOp::kRegisterMessage);
  request.Text(name);
  auto reply = server.Call(request);
  UINT id = reply ? reply->fields.U32() : 0;
  if (!reply || !reply->fields.End()) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  if (id)
    names.Learn(name, id);
  else
    *error = reply->last_error;
  return id;
}

}  // namespace cehost
