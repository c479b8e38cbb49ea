#include "ras/remote_ras.h"

#include "cehost/text.h"
#include "kernel/handle_table.h"

namespace cehost {

namespace {

// The result a RAS request's reply carries, or the fallback when there was no whole reply.
DWORD Result(const std::unique_ptr<ServerReply>& reply, DWORD fallback) {
  if (!reply) return fallback;
  DWORD result = reply->fields.U32();
  return reply->fields.End() ? result : fallback;
}

}  // namespace

DWORD RemoteRasSetEntry(ServerLink& server, LPCWSTR name, const RASENTRY& entry, const BYTE* device,
                        DWORD device_size) {
  wire::Writer request = ServerRequest(ServerOp::kRasSetEntry);
  request.Text(BoundedText(name, RAS_MaxEntryName + 1))
      .Bytes(&entry, sizeof entry)
      .U8(device ? 1 : 0)
      .Bytes(device, device ? device_size : 0);
  return Result(server.Call(request), ERROR_CANNOT_OPEN_PHONEBOOK);
}

DWORD RemoteRasDial(ServerLink& server, const RASDIALPARAMS& params, HRASCONN* connection) {
  *connection = nullptr;
  wire::Writer request = ServerRequest(ServerOp::kRasDial);
  request.Bytes(&params, sizeof params);
  auto reply = server.Call(request);
  if (!reply) return ERROR_DEVICE_DOES_NOT_EXIST;
  DWORD result = reply->fields.U32();
  uint32_t handle = reply->fields.U32();
  if (!reply->fields.End()) return ERROR_DEVICE_DOES_NOT_EXIST;
  *connection = HandleTable::ToHandle<HRASCONN>(handle);
  return result;
}

DWORD RemoteRasHangUp(ServerLink& server, HRASCONN connection) {
  wire::Writer request = ServerRequest(ServerOp::kRasHangUp);
  request.U32(HandleTable::ValueOf(connection));
  return Result(server.Call(request), ERROR_INVALID_HANDLE);
}

std::vector<std::pair<uint32_t, std::u16string>> RemoteRasConnections(ServerLink& server) {
  auto reply = server.Call(ServerRequest(ServerOp::kRasConnections));
  std::vector<std::pair<uint32_t, std::u16string>> connections;
  if (!reply) return connections;
  uint32_t count = reply->fields.U32();
  for (uint32_t i = 0; i < count && reply->fields.ok(); ++i) {
    uint32_t handle = reply->fields.U32();
    std::u16string name = reply->fields.Text(RAS_MaxEntryName + 1);
    connections.emplace_back(handle, std::move(name));
  }
  if (!reply->fields.End()) connections.clear();
  return connections;
}

DWORD RemoteRasDeleteEntry(ServerLink& server, LPCWSTR name) {
  wire::Writer request = ServerRequest(ServerOp::kRasDeleteEntry);
  request.Text(BoundedText(name, RAS_MaxEntryName + 1));
  return Result(server.Call(request), ERROR_CANNOT_OPEN_PHONEBOOK);
}

}  // namespace cehost
