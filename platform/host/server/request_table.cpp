// The server's answers to its programs' requests: each runs, in the server, the same platform
// call a program would make in its own process, and sends back what the call wrote.
#include <array>
#include <cstring>
#include <optional>

#include "ce/devices.h"
#include "ce/errors.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "ce/nled.h"
#include "ce/windows.h"
#include "cehost/journal.h"
#include "cehost/windows.h"
#include "devices/device_open.h"
#include "handset/handset_state.h"
#include "kernel/handle_table.h"
#include "kernel/wait_watch.h"
#include "server/journal_notice.h"
#include "server/request_call.h"
#include "server/requests.h"
#include "server/server_host.h"
#include "server/wire.h"

namespace cehost {

namespace {

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
    if (given) bytes = in.Bytes(kMaxRequestData);
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

}  // namespace

// The most handles and windows the server holds for one program: a program that makes more is
// refused (ERROR_NOT_ENOUGH_QUOTA), so that none can take the server's threads or memory.
constexpr size_t kMostPerProgram = 4096;

uint32_t OwnedHandle(Call& call, HANDLE handle) {
  if (!handle || handle == INVALID_HANDLE_VALUE) return 0;
  if (call.program.Count() >= kMostPerProgram) {
    CloseHandle(handle);
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return 0;
  }
  uint32_t value = HandleTable::ValueOf(handle);
  call.program.Own(value);
  return value;
}

namespace {

bool OpenDeviceRequest(Call& call) {
  std::u16string name = call.in.Text(kMaxRequestName);
  DWORD access = call.in.U32();
  DWORD share = call.in.U32();
  if (!call.in.End()) return false;
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool device = OpenDevice(name.c_str(), access, share, &handle);
  DWORD error = GetLastError();
  call.out.U8(device ? 1 : 0).U32(device ? OwnedHandle(call, handle) : 0);
  SetLastError(error);
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
  if (!call.in.End() || size > kMaxRequestData) return false;
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
  std::vector<uint8_t> data = call.in.Bytes(kMaxRequestData);
  if (!call.in.End()) return false;
  uint8_t none = 0;
  DWORD done = 0;
  BOOL result =
      ProgramHandle(call, handle) && WriteFile(ToHandle(handle), data.empty() ? &none : data.data(),
                                               static_cast<DWORD>(data.size()), &done, nullptr);
  call.out.U32(result).U32(done);
  return true;
}

bool CloseRequest(Call& call) {
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
    // An empty record has no bytes to copy, and its data() may be null.
    if (!bytes.empty()) std::memcpy(room.data(), bytes.data(), bytes.size());
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

bool DeviceSearchRequest(Call& call) {
  uint32_t kind = call.in.U32();
  std::vector<uint8_t> param = call.in.Bytes(MAX_PATH * sizeof(WCHAR));
  if (!call.in.End()) return false;
  // Only a kind of search there is may become one: the enumeration holds no other value.
  if (kind < DeviceSearchByLegacyName || kind > DeviceSearchByParent) {
    SetLastError(ERROR_INVALID_PARAMETER);
    call.out.U32(0);
    return true;
  }
  auto type = static_cast<DeviceSearchType>(kind);
  GUID guid{};
  std::u16string pattern;
  const void* given = nullptr;
  if (type == DeviceSearchByGuid) {
    if (param.size() != sizeof(GUID)) return false;
    std::memcpy(&guid, param.data(), sizeof guid);
    given = &guid;
  } else {
    for (size_t i = 0; i + 1 < param.size(); i += 2)
      pattern += static_cast<char16_t>(param[i] | param[i + 1] << 8);
    given = pattern.c_str();
  }
  std::vector<DEVMGR_DEVICE_INFORMATION> found;
  DEVMGR_DEVICE_INFORMATION record{};
  record.dwSize = sizeof record;
  HANDLE search = FindFirstDevice(type, given, &record);
  if (search != INVALID_HANDLE_VALUE) {
    do found.push_back(record);
    while (found.size() < 64 && FindNextDevice(search, &record));
    FindClose(search);
    SetLastError(ERROR_SUCCESS);
  }
  call.out.U32(static_cast<uint32_t>(found.size()));
  for (const auto& each : found) call.out.Bytes(&each, sizeof each);
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
  std::u16string name = call.in.Text(kMaxRequestName);
  if (!call.in.End()) return false;
  call.out.U32(RegisterWindowMessageW(name.c_str()));
  return true;
}

bool WaitRequest(Call& call) {
  uint32_t handle = call.in.U32();
  DWORD ms = call.in.U32();
  if (!call.in.End()) return false;
  call.out.U32(ProgramHandle(call, handle) ? WaitForSingleObject(ToHandle(handle), ms)
                                           : WAIT_FAILED);
  return true;
}

bool QueueCreateRequest(Call& call) {
  std::u16string name = call.in.Text(kMaxRequestName);
  MSGQUEUEOPTIONS options{};
  options.dwSize = sizeof(options);
  options.dwFlags = call.in.U32();
  options.dwMaxMessages = call.in.U32();
  options.cbMaxMessage = call.in.U32();
  options.bReadAccess = call.in.U8() != 0;
  if (!call.in.End()) return false;
  HANDLE queue = CreateMsgQueue(name.c_str(), &options);
  // The last error of a success tells whether the queue existed: it is kept for the reply.
  DWORD error = GetLastError();
  call.out.U32(OwnedHandle(call, queue));
  SetLastError(error);
  return true;
}

bool QueueOpenRequest(Call& call) {
  uint32_t handle = call.in.U32();
  MSGQUEUEOPTIONS options{};
  options.dwSize = sizeof(options);
  options.bReadAccess = call.in.U8() != 0;
  if (!call.in.End()) return false;
  HANDLE opened = nullptr;
  if (ProgramHandle(call, handle))
    opened = OpenMsgQueue(GetCurrentProcess(), ToHandle(handle), &options);
  call.out.U32(OwnedHandle(call, opened));
  return true;
}

bool QueueWriteRequest(Call& call) {
  uint32_t handle = call.in.U32();
  std::vector<uint8_t> message = call.in.Bytes(kMaxRequestData);
  DWORD ms = call.in.U32();
  DWORD flags = call.in.U32();
  if (!call.in.End()) return false;
  uint8_t none = 0;
  BOOL result = ProgramHandle(call, handle) &&
                WriteMsgQueue(ToHandle(handle), message.empty() ? &none : message.data(),
                              static_cast<DWORD>(message.size()), ms, flags);
  call.out.U32(result);
  return true;
}

bool QueueReadRequest(Call& call) {
  uint32_t handle = call.in.U32();
  uint32_t size = call.in.U32();
  DWORD ms = call.in.U32();
  if (!call.in.End() || size > kMaxRequestData) return false;
  std::vector<uint8_t> buffer(size ? size : 1);
  DWORD read = 0, flags = 0;
  BOOL result = ProgramHandle(call, handle) &&
                ReadMsgQueue(ToHandle(handle), buffer.data(), size, &read, ms, &flags);
  if (read > size) read = size;
  call.out.U32(result).Bytes(buffer.data(), read).U32(flags);
  return true;
}

bool QueueInfoRequest(Call& call) {
  uint32_t handle = call.in.U32();
  if (!call.in.End()) return false;
  MSGQUEUEINFO info{};
  info.dwSize = sizeof(info);
  BOOL result = ProgramHandle(call, handle) && GetMsgQueueInfo(ToHandle(handle), &info);
  call.out.U32(result).Bytes(&info, result ? sizeof(info) : 0);
  return true;
}

bool EventCreateRequest(Call& call) {
  bool manual = call.in.U8() != 0;
  bool signalled = call.in.U8() != 0;
  std::u16string name = call.in.Text(kMaxRequestName);
  if (!call.in.End()) return false;
  HANDLE event = CreateEventW(nullptr, manual, signalled, name.c_str());
  DWORD error = GetLastError();
  call.out.U32(OwnedHandle(call, event));
  SetLastError(error);
  return true;
}

bool EventModifyRequest(Call& call) {
  uint32_t handle = call.in.U32();
  DWORD func = call.in.U32();
  if (!call.in.End()) return false;
  call.out.U32(ProgramHandle(call, handle) && EventModify(ToHandle(handle), func));
  return true;
}

// A program's window as the server holds it: what reaches it goes down the program's tie, and a
// sent message waits for the program's answer. A program that has gone answers nothing (0).
WindowProc ForwardTo(std::weak_ptr<ServedProgram> owner) {
  return [owner](HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
    auto program = owner.lock();
    if (!program) return 0;
    Delivery delivery;
    delivery.hwnd = HandleTable::ValueOf(hwnd);
    delivery.msg = msg;
    delivery.wparam = wparam;
    delivery.lparam = lparam;
    delivery.send = InSendMessage() != FALSE;
    delivery.timeout_ms = INFINITE;
    LRESULT answer = 0;
    program->channel().Deliver(delivery, &answer);
    return answer;
  };
}

HWND ToWindow(uint32_t value) {
  return HandleTable::ToHandle<HWND>(value);
}

bool WindowCreateRequest(Call& call) {
  uint32_t parent = call.in.U32();
  WindowSpec spec;
  spec.class_name = call.in.Text(kMaxRequestName);
  spec.title = call.in.Text(kMaxRequestName);
  spec.visible = call.in.U8() != 0;
  if (!call.in.End()) return false;
  spec.parent = parent ? ToWindow(parent) : nullptr;
  spec.proc = ForwardTo(call.program.weak_from_this());
  // Each window has a thread in the server.
  if (call.program.Windows() >= kMostPerProgram / 16) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    call.out.U32(0);
    return true;
  }
  HWND hwnd = CreateHostWindow(spec);
  uint32_t value = hwnd ? HandleTable::ValueOf(hwnd) : 0;
  if (value) call.program.OwnWindow(value);
  call.out.U32(value);
  return true;
}

bool WindowDestroyRequest(Call& call) {
  uint32_t hwnd = call.in.U32();
  if (!call.in.End()) return false;
  bool mine = call.program.DisownWindow(hwnd);
  if (!mine) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  call.out.U32(mine && DestroyHostWindow(ToWindow(hwnd)));
  return true;
}

bool PostRequest(Call& call) {
  uint32_t hwnd = call.in.U32();
  UINT msg = call.in.U32();
  auto wparam = static_cast<WPARAM>(call.in.U64());
  auto lparam = static_cast<LPARAM>(call.in.U64());
  if (!call.in.End()) return false;
  call.out.U32(PostMessageW(ToWindow(hwnd), msg, wparam, lparam));
  return true;
}

bool SendRequest(Call& call) {
  uint32_t hwnd = call.in.U32();
  UINT msg = call.in.U32();
  auto wparam = static_cast<WPARAM>(call.in.U64());
  auto lparam = static_cast<LPARAM>(call.in.U64());
  UINT flags = call.in.U32();
  UINT ms = call.in.U32();
  if (!call.in.End()) return false;
  DWORD_PTR answer = 0;
  LRESULT result = SendMessageTimeoutW(ToWindow(hwnd), msg, wparam, lparam, flags, ms, &answer);
  call.out.U64(static_cast<uint64_t>(result)).U64(static_cast<uint64_t>(answer));
  return true;
}

bool FindWindowRequest(Call& call) {
  bool has_class = call.in.U8() != 0;
  std::u16string class_name = call.in.Text(kMaxRequestName);
  bool has_title = call.in.U8() != 0;
  std::u16string title = call.in.Text(kMaxRequestName);
  if (!call.in.End()) return false;
  HWND found =
      FindWindowW(has_class ? class_name.c_str() : nullptr, has_title ? title.c_str() : nullptr);
  call.out.U32(found ? HandleTable::ValueOf(found) : 0);
  return true;
}

bool StatusRequest(Call& call) {
  if (!call.in.End()) return false;
  ServerInfo info = call.host.Info();
  call.out.U32(static_cast<uint32_t>(info.pid))
      .U64(static_cast<uint64_t>(info.uptime.count()))
      .U8(info.persistent ? 1 : 0)
      .U32(info.open_handles)
      .U32(static_cast<uint32_t>(info.programs.size()));
  for (const AttachedProgram& program : info.programs)
    call.out.U32(static_cast<uint32_t>(program.pid)).Utf8(program.name).U32(program.handles);
  return true;
}

// The longest control request or answer.
constexpr uint32_t kMaxControl = 1u << 16;

bool ControlRequest(Call& call) {
  std::string request = call.in.Utf8(kMaxControl);
  if (!call.in.End()) return false;
  std::string answer = call.host.Control(request);
  if (answer.size() > kMaxRequestData) return false;
  call.out.Utf8(answer);
  return true;
}

bool SyncRequest(Call& call) {
  return call.in.End();
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
    {ServerOp::kSync, SyncRequest},
    {ServerOp::kControl, ControlRequest},
    {ServerOp::kOpenDevice, OpenDeviceRequest},
    {ServerOp::kDeviceControl, DeviceControlRequest},
    {ServerOp::kDeviceRead, DeviceReadRequest},
    {ServerOp::kDeviceWrite, DeviceWriteRequest},
    {ServerOp::kClose, CloseRequest},
    {ServerOp::kWait, WaitRequest},
    {ServerOp::kQueueCreate, QueueCreateRequest},
    {ServerOp::kQueueOpen, QueueOpenRequest},
    {ServerOp::kQueueWrite, QueueWriteRequest},
    {ServerOp::kQueueRead, QueueReadRequest},
    {ServerOp::kQueueInfo, QueueInfoRequest},
    {ServerOp::kEventCreate, EventCreateRequest},
    {ServerOp::kEventModify, EventModifyRequest},
    {ServerOp::kWindowCreate, WindowCreateRequest},
    {ServerOp::kWindowDestroy, WindowDestroyRequest},
    {ServerOp::kPost, PostRequest},
    {ServerOp::kSend, SendRequest},
    {ServerOp::kFindWindow, FindWindowRequest},
    {ServerOp::kLedInfo, LedInfoRequest},
    {ServerOp::kLedSet, LedSetRequest},
    {ServerOp::kDeviceSearch, DeviceSearchRequest},
    {ServerOp::kRegisterMessage, RegisterMessageRequest},
    {ServerOp::kRasSetEntry, RasSetEntryRequest},
    {ServerOp::kRasDial, RasDialRequest},
    {ServerOp::kRasHangUp, RasHangUpRequest},
    {ServerOp::kRasConnections, RasConnectionsRequest},
    {ServerOp::kRasDeleteEntry, RasDeleteEntryRequest},
    {ServerOp::kNetworkInterfaces, NetworkInterfacesRequest},
    {ServerOp::kProgramCall, ProgramCallRequest},
    {ServerOp::kStorage, StorageRequest},
    {ServerOp::kGetDC, GetDCRequest},
    {ServerOp::kEscape, EscapeRequest},
    {ServerOp::kPlatformInfo, PlatformInfoRequest},
    {ServerOp::kLaunch, LaunchProgramRequest},
    {ServerOp::kExitCode, ExitCodeRequest},
    {ServerOp::kModuleQuery, ModuleQueryRequest},
};

}  // namespace

bool ServerHost::Note(ServedProgram& program, const std::vector<uint8_t>& message) {
  wire::Reader in(message);
  if (static_cast<ServerOp>(in.U16()) != ServerOp::kJournalNotice) return false;
  JournalEntry entry;
  if (ReadJournalNotice(in, &entry)) {
    ActingFor acting(program.pid());
    Current().journal.Record(std::move(entry));
  }
  return true;
}

std::vector<uint8_t> ServerHost::Refusal() {
  wire::Writer refusal;
  refusal.U8(static_cast<uint8_t>(ReplyStatus::kRefused)).U32(ERROR_INVALID_PARAMETER);
  return refusal.bytes();
}

std::vector<uint8_t> ServerHost::Answer(ServedProgram& program, const std::vector<uint8_t>& request,
                                        int peer_fd) {
  wire::Reader in(request);
  auto op = static_cast<ServerOp>(in.U16());
  for (const Request& known : kRequests) {
    if (known.op != op) continue;
    wire::Writer fields;
    Call call{*this, program, in, fields};
    ActingFor acting(program.pid());
    // A call that blocks gives up once the program no longer waits for the answer, so that a
    // program that ended mid-wait lets go of its connection, and with it of what it held.
    std::optional<WaitWatch> watch;
    if (peer_fd >= 0) watch.emplace([peer_fd] { return !wire::PeerClosed(peer_fd); });
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
