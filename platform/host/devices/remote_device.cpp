#include "devices/remote_device.h"

#include <cstring>
#include <string_view>

#include "ce/errors.h"
#include "ce/nled.h"
#include "cehost/text.h"
#include "devices/device_names.h"
#include "devices/device_search.h"
#include "handset/handset_state.h"
#include "kernel/handle_table.h"
#include "server/server_link.h"

namespace cehost {

namespace {

// The most device data one request carries; a device never takes a buffer near it.
constexpr DWORD kMaxData = 1u << 20;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// A buffer the caller gave, or null, with its size.
void PutBuffer(wire::Writer& request, const void* data, DWORD size) {
  request.U32(size).U8(data ? 1 : 0);
  if (data) request.Bytes(data, size);
}

// The size of the record an LED call reads or writes for the identifier.
uint32_t LedRecordSize(UINT id) {
  switch (id) {
    case NLED_COUNT_INFO_ID:
      return sizeof(NLED_COUNT_INFO);
    case NLED_SUPPORTS_INFO_ID:
      return sizeof(NLED_SUPPORTS_INFO);
    case NLED_SETTINGS_INFO_ID:
      return sizeof(NLED_SETTINGS_INFO);
    default:
      return 0;
  }
}

BOOL LedCall(ServerLink& server, ServerOp op, UINT id, void* record) {
  uint32_t size = record ? LedRecordSize(id) : 0;
  wire::Writer request = ServerRequest(op);
  request.U32(id).U8(record ? 1 : 0).Bytes(record, size);
  auto reply = server.Call(request);
  // Without its server the handset has no LED service.
  if (!reply) return Fail(ERROR_NOT_SUPPORTED);
  BOOL result = reply->fields.U32();
  if (op == ServerOp::kLedInfo) {
    std::vector<uint8_t> bytes = reply->fields.Bytes(size);
    if (reply->fields.ok() && bytes.size() == size && size) std::memcpy(record, bytes.data(), size);
  }
  if (!reply->fields.End()) return Fail(ERROR_NOT_SUPPORTED);
  if (!result) SetLastError(reply->last_error);
  return result;
}

}  // namespace

// Only names of the device forms ("ACC0:", "$device\...", "$bus\...") go to the server, and the
// bare bus names its device searches gave: another bare name cannot be told from a file's
// without asking, and is a file's in an attached program.
// A server that cannot be reached leaves the device not loaded: ERROR_FILE_NOT_FOUND.
bool OpenRemoteDevice(ServerLink& server, LPCWSTR name, DWORD access, DWORD share, HANDLE* handle) {
  std::u16string_view asked = BoundedText(name, MAX_PATH);
  std::u16string_view part;
  if (!IsLegacyName(asked) && !DeviceNamePart(asked, &part) && !BusNamePart(asked, &part) &&
      !server.KnowsDeviceName(asked))
    return false;
  *handle = INVALID_HANDLE_VALUE;
  wire::Writer request = ServerRequest(ServerOp::kOpenDevice);
  request.Text(asked).U32(access).U32(share);
  auto reply = server.Call(request);
  if (!reply) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return true;
  }
  bool device = reply->fields.U8() != 0;
  uint32_t value = reply->fields.U32();
  if (!reply->fields.End() || !device) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return true;
  }
  if (value == 0) {
    SetLastError(reply->last_error);
    return true;
  }
  HandsetState& state = Current();
  auto object = std::make_shared<RemoteDevice>(RemoteHandle(state.server, reply->boot, value));
  *handle = HandleTable::ToHandle<HANDLE>(state.handles.Insert(std::move(object)));
  return true;
}

BOOL RemoteDevice::Control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size,
                           DWORD* returned) {
  *returned = 0;
  // Both buffers travel in one request: together they stay within one message.
  uint64_t carried = (in ? uint64_t{in_size} : 0) + (out ? uint64_t{out_size} : 0);
  if (carried > kMaxData) return Fail(ERROR_INVALID_PARAMETER);
  wire::Writer request = remote_.Request(ServerOp::kDeviceControl);
  request.U32(code);
  PutBuffer(request, in, in_size);
  PutBuffer(request, out, out_size);
  auto reply = remote_.Call(request);
  if (!reply) return Fail(ERROR_INVALID_HANDLE);
  BOOL result = reply->fields.U32();
  DWORD written = reply->fields.U32();
  std::vector<uint8_t> bytes = reply->fields.Bytes(out ? out_size : 0);
  if (!reply->fields.End()) return Fail(ERROR_INVALID_HANDLE);
  if (out && bytes.size() == out_size && out_size) std::memcpy(out, bytes.data(), out_size);
  *returned = written > out_size ? out_size : written;
  if (!result) SetLastError(reply->last_error);
  return result;
}

BOOL RemoteDevice::Read(void* buffer, DWORD size, DWORD* done) {
  if (!buffer) size = 0;
  // A read of more than one request carries reads less, as a device may.
  if (size > kMaxData) size = kMaxData;
  wire::Writer request = remote_.Request(ServerOp::kDeviceRead);
  request.U32(size);
  auto reply = remote_.Call(request);
  if (!reply) return Fail(ERROR_INVALID_HANDLE);
  BOOL result = reply->fields.U32();
  std::vector<uint8_t> bytes = reply->fields.Bytes(size);
  if (!reply->fields.End()) return Fail(ERROR_INVALID_HANDLE);
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  if (done) *done = static_cast<DWORD>(bytes.size());
  if (!result) SetLastError(reply->last_error);
  return result;
}

BOOL RemoteDevice::Write(const void* data, DWORD size, DWORD* done) {
  if (!data) size = 0;
  if (size > kMaxData) return Fail(ERROR_INVALID_PARAMETER);
  wire::Writer request = remote_.Request(ServerOp::kDeviceWrite);
  request.Bytes(data, size);
  auto reply = remote_.Call(request);
  if (!reply) return Fail(ERROR_INVALID_HANDLE);
  BOOL result = reply->fields.U32();
  DWORD written = reply->fields.U32();
  if (!reply->fields.End()) return Fail(ERROR_INVALID_HANDLE);
  if (done) *done = written > size ? size : written;
  if (!result) SetLastError(reply->last_error);
  return result;
}

// A search that matches nothing fails with ERROR_NO_MORE_ITEMS, as on a handset that runs its
// devices itself; so does one when no server can be reached, which has no device loaded.
HANDLE FindRemoteDevices(HandsetState& state, DeviceSearchType type, LPCVOID param,
                         PDEVMGR_DEVICE_INFORMATION first) {
  wire::Writer request = ServerRequest(ServerOp::kDeviceSearch);
  request.U32(static_cast<uint32_t>(type));
  if (type == DeviceSearchByGuid) {
    request.Bytes(param, sizeof(GUID));
  } else {
    std::u16string_view pattern = BoundedText(static_cast<LPCWSTR>(param), MAX_PATH);
    request.Bytes(pattern.data(), static_cast<uint32_t>(pattern.size() * sizeof(WCHAR)));
  }
  auto reply = state.server->Call(request);
  std::vector<DEVMGR_DEVICE_INFORMATION> listed;
  uint32_t count = reply ? reply->fields.U32() : 0;
  for (uint32_t i = 0; reply && i < count && reply->fields.ok(); ++i) {
    std::vector<uint8_t> bytes = reply->fields.Bytes(sizeof(DEVMGR_DEVICE_INFORMATION));
    if (bytes.size() != sizeof(DEVMGR_DEVICE_INFORMATION)) break;
    DEVMGR_DEVICE_INFORMATION record;
    std::memcpy(&record, bytes.data(), sizeof record);
    listed.push_back(record);
  }
  if (!reply || !reply->fields.End() || listed.empty()) {
    SetLastError(reply && reply->last_error ? reply->last_error : ERROR_NO_MORE_ITEMS);
    return INVALID_HANDLE_VALUE;
  }
  for (const auto& record : listed) {
    std::u16string_view bus = BoundedText(record.szBusName, MAX_PATH);
    if (!bus.empty()) state.server->LearnDeviceName(std::u16string(bus));
  }
  auto search = std::make_shared<DeviceSearch>(std::move(listed));
  search->Next(first);
  return HandleTable::ToHandle<HANDLE>(state.handles.Insert(std::move(search)));
}

BOOL RemoteLedInfo(ServerLink& server, UINT id, void* record) {
  return LedCall(server, ServerOp::kLedInfo, id, record);
}

BOOL RemoteLedSet(ServerLink& server, UINT id, void* record) {
  return LedCall(server, ServerOp::kLedSet, id, record);
}

}  // namespace cehost
