// The server's answers to RAS requests: the phone book's lock, the devices and the connections
// are the handset's, so a program's RAS calls run here, on them.
#include <cstring>
#include <vector>

#include "ce/ras.h"
#include "handset/handset_state.h"
#include "kernel/handle_table.h"
#include "ras/ras_service.h"
#include "server/request_call.h"

namespace cehost {

bool RasSetEntryRequest(Call& call) {
  std::u16string name = call.in.Text(kMaxRequestName);
  std::vector<uint8_t> entry = call.in.Bytes(sizeof(RASENTRY));
  bool has_device = call.in.U8() != 0;
  std::vector<uint8_t> device = call.in.Bytes(kMaxRequestData);
  if (!call.in.End() || entry.size() != sizeof(RASENTRY)) return false;
  RASENTRY record;
  std::memcpy(&record, entry.data(), sizeof record);
  uint8_t none = 0;
  LPBYTE data = has_device ? (device.empty() ? &none : device.data()) : nullptr;
  call.out.U32(RasSetEntryProperties(nullptr, name.data(), &record, sizeof record, data,
                                     static_cast<DWORD>(device.size())));
  return true;
}

bool RasDialRequest(Call& call) {
  std::vector<uint8_t> bytes = call.in.Bytes(sizeof(RASDIALPARAMS));
  if (!call.in.End() || bytes.size() != sizeof(RASDIALPARAMS)) return false;
  RASDIALPARAMS params;
  std::memcpy(&params, bytes.data(), sizeof params);
  HRASCONN connection = nullptr;
  DWORD result = RasDial(nullptr, nullptr, &params, 0, nullptr, &connection);
  call.out.U32(result).U32(connection ? HandleTable::ValueOf(connection) : 0);
  return true;
}

bool RasHangUpRequest(Call& call) {
  uint32_t handle = call.in.U32();
  if (!call.in.End()) return false;
  call.out.U32(RasHangUp(HandleTable::ToHandle<HRASCONN>(handle)));
  return true;
}

bool RasConnectionsRequest(Call& call) {
  if (!call.in.End()) return false;
  HandsetState& state = Current();
  auto connections = state.ras.Connections(state.handles);
  call.out.U32(static_cast<uint32_t>(connections.size()));
  for (const auto& [value, connection] : connections)
    call.out.U32(value).Text(connection->entry_name());
  return true;
}

bool RasDeleteEntryRequest(Call& call) {
  std::u16string name = call.in.Text(kMaxRequestName);
  if (!call.in.End()) return false;
  call.out.U32(RasDeleteEntry(nullptr, name.data()));
  return true;
}

}  // namespace cehost
