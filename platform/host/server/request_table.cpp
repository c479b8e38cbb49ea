// The server's answers to its programs' requests: each runs, in the server, the same platform
// call a program would make in its own process, and sends back what the call wrote.
#include <array>
#include <cstring>

#include "ce/devices.h"
#include "ce/errors.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/nled.h"
#include "ce/windows.h"
#include "devices/device_open.h"
#include "kernel/handle_table.h"
#include "server/requests.h"
#include "server/server_host.h"
#include "server/wire.h"

namespace cehost {

namespace {

// Device data a request may carry; the wire's limit leaves room for the other fields.
constexpr uint32_t kMaxData = 1u << 20;
// The longest name a request may give: a device's name is within MAX_PATH, a registered message
// name within 255 units (a longer one is refused by the call itself).
constexpr uint32_t kMaxName = MAX_PATH;

struct Call {
  ServerHost& host;
  ServedProgram& program;
  wire::Reader& in;
  wire::Writer& out;
};

HANDLE ToHandle(uint32_t value) {
  return HandleTable::ToHandle<HANDLE>(value);
}

// A buffer a caller gave (a pointer with a size) or did not (null with a size): on the wire its
// size, whether it was given, and its bytes when it was.
struct GivenBuffer {
  uint32_t size = 0;
  bool given = false;
  std::vector<uint8_t> bytes;

  // False when the bytes given are not of the size given.
  bool Read(wire::Reader& in) {
    size = in.U32();
    given = in.U8() != 0;
    if (given) bytes = in.Bytes(kMaxData);
    return !given || bytes.size() == size;
  }
  // The pointer the call is given: null when the caller gave none, else its bytes (never null,
  // even when there are none).
  void* data() {
    if (!given) return nullptr;
    return bytes.empty() ? &empty_ : bytes.data();
  }

 private:
  uint8_t empty_ = 0;
};

// The handle the program names, when it is one the server holds for it; else the last error
// says the handle is not valid.
bool ProgramHandle(Call& call, uint32_t handle) {
  if (call.program.Owns(handle)) return true;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool OpenDeviceRequest(Call& call) {
  std::u16string name = call.in.Text(kMaxName);
  DWORD access = call.in.U32();
  DWORD share = call.in.U32();
  if (!call.in.End()) return false;
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool device = OpenDevice(name.c_str(), access, share, &handle);
  uint32_t value = 0;
  if (device && handle != INVALID_HANDLE_VALUE) {
    value = HandleTable::ValueOf(handle);
    call.program.Own(value);
  }
  call.out.U8(device ? 1 : 0).U32(value);
  return true;
}

bool DeviceControlRequest(Call& call) {
  uint32_t handle = call.in.U32();
  DWORD code = call.in.U32();
  GivenBuffer in, out;
  if (!in.Read(call.in) || !out.Read(call.in) || !call.in.End()) return false;
  DWORD returned = 0;
  BOOL result =
      ProgramHandle(call, handle) && DeviceIoControl(ToHandle(handle), code, in.data(), in.size,
                                                     out.data(), out.size, &returned, nullptr);
  call.out.U32(result).U32(returned).Bytes(out.bytes.data(),
                                           static_cast<uint32_t>(out.bytes.size()));
  return true;
}

bool DeviceReadRequest(Call& call) {
  uint32_t handle = call.in.U32();
  uint32_t size = call.in.U32();
  if (!call.in.End() || size > kMaxData) return false;
  std::vector<uint8_t> buffer(size ? size : 1);
  DWORD done = 0;
  BOOL result = ProgramHandle(call, handle) &&
                ReadFile(ToHandle(handle), buffer.data(), size, &done, nullptr);
  if (done > size) done = size;
  call.out.U32(result).Bytes(buffer.data(), done);
  return true;
}

bool DeviceWriteRequest(Call& call) {
  uint32_t handle = call.in.U32();
  std::vector<uint8_t> data = call.in.Bytes(kMaxData);
  if (!call.in.End()) return false;
  uint8_t none = 0;
  DWORD done = 0;
  BOOL result =
      ProgramHandle(call, handle) && WriteFile(ToHandle(handle), data.empty() ? &none : data.data(),
                                               static_cast<DWORD>(data.size()), &done, nullptr);
  call.out.U32(result).U32(done);
  return true;
}

bool DeviceCloseRequest(Call& call) {
  uint32_t handle = call.in.U32();
  if (!call.in.End()) return false;
  BOOL result = FALSE;
  if (call.program.Disown(handle))
    result = CloseHandle(ToHandle(handle));
  else
    SetLastError(ERROR_INVALID_HANDLE);
  call.out.U32(result);
  return true;
}

// An LED record as given, in room for the largest record either LED call takes.
struct LedRecord {
  std::array<uint8_t, 64> room{};
  bool given = false;
  uint32_t size = 0;

  bool Read(wire::Reader& in) {
    given = in.U8() != 0;
    std::vector<uint8_t> bytes = in.Bytes(room.size());
    size = static_cast<uint32_t>(bytes.size());
    std::memcpy(room.data(), bytes.data(), bytes.size());
    return in.End();
  }
  void* data() { return given ? room.data() : nullptr; }
};

bool LedInfoRequest(Call& call) {
  UINT id = call.in.U32();
  LedRecord record;
  if (!record.Read(call.in)) return false;
  BOOL result = NLedGetDeviceInfo(id, record.data());
  call.out.U32(result).Bytes(record.room.data(), record.size);
  return true;
}

bool LedSetRequest(Call& call) {
  UINT id = call.in.U32();
  LedRecord record;
  if (!record.Read(call.in)) return false;
  call.out.U32(NLedSetDevice(id, record.data()));
  return true;
}

bool RegisterMessageRequest(Call& call) {
  std::u16string name = call.in.Text(kMaxName);
  if (!call.in.End()) return false;
  call.out.U32(RegisterWindowMessageW(name.c_str()));
  return true;
}

bool StatusRequest(Call& call) {
  if (!call.in.End()) return false;
  ServerInfo info = call.host.Info();
  call.out.U32(static_cast<uint32_t>(info.pid))
      .U64(static_cast<uint64_t>(info.uptime.count()))
      .U8(info.persistent ? 1 : 0)
      .U32(static_cast<uint32_t>(info.programs.size()));
  for (const AttachedProgram& program : info.programs)
    call.out.U32(static_cast<uint32_t>(program.pid)).Utf8(program.name).U32(program.handles);
  return true;
}

bool StopRequest(Call& call) {
  if (!call.in.End()) return false;
  call.host.RequestStop();
  return true;
}

struct Request {
  ServerOp op;
  bool (*answer)(Call&);
};

constexpr Request kRequests[] = {
    {ServerOp::kStatus, StatusRequest},
    {ServerOp::kStop, StopRequest},
    {ServerOp::kOpenDevice, OpenDeviceRequest},
    {ServerOp::kDeviceControl, DeviceControlRequest},
    {ServerOp::kDeviceRead, DeviceReadRequest},
    {ServerOp::kDeviceWrite, DeviceWriteRequest},
    {ServerOp::kDeviceClose, DeviceCloseRequest},
    {ServerOp::kLedInfo, LedInfoRequest},
    {ServerOp::kLedSet, LedSetRequest},
    {ServerOp::kRegisterMessage, RegisterMessageRequest},
};

}  // namespace

std::vector<uint8_t> ServerHost::Refusal() {
  wire::Writer refusal;
  refusal.U8(static_cast<uint8_t>(ReplyStatus::kRefused)).U32(ERROR_INVALID_PARAMETER);
  return refusal.bytes();
}

std::vector<uint8_t> ServerHost::Answer(ServedProgram& program,
                                        const std::vector<uint8_t>& request) {
  wire::Reader in(request);
  auto op = static_cast<ServerOp>(in.U16());
  for (const Request& known : kRequests) {
    if (known.op != op) continue;
    wire::Writer fields;
    Call call{*this, program, in, fields};
    SetLastError(ERROR_SUCCESS);
    if (!known.answer(call)) return Refusal();
    DWORD error = GetLastError();
    wire::Writer reply;
    reply.U8(static_cast<uint8_t>(ReplyStatus::kDone)).U32(error);
    std::vector<uint8_t> bytes = reply.bytes();
    bytes.insert(bytes.end(), fields.bytes().begin(), fields.bytes().end());
    return bytes;
  }
  return Refusal();
}

}  // namespace cehost
