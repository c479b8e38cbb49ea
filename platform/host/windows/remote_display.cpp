#include "windows/remote_display.h"

#include <cstring>

#include "ce/errors.h"
#include "kernel/handle_table.h"

namespace cehost {

HDC RemoteGetDC(ServerLink& server, HWND hwnd) {
  wire::Writer request = ServerRequest(ServerOp::kGetDC);
  request.U32(HandleTable::ValueOf(hwnd));
  auto reply = server.Call(request);
  bool screen = reply && reply->fields.U8() != 0;
  if (!reply || !reply->fields.End()) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (!screen) {
    SetLastError(reply->last_error);
    return nullptr;
  }
  return reinterpret_cast<HDC>(kScreenDcValue);
}

int RemoteExtEscape(ServerLink& server, HDC hdc, int escape, int in_size, LPCSTR in, int out_size,
                    LPSTR out) {
  // What the server cannot be given is an error of the caller's, as a buffer it did not give.
  if (in_size > kMaxEscapeData || out_size > kMaxEscapeData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  bool carries_input = in && in_size > 0;
  wire::Writer request = ServerRequest(ServerOp::kEscape);
  request.U64(reinterpret_cast<uintptr_t>(hdc))
      .U32(static_cast<uint32_t>(escape))
      .U32(static_cast<uint32_t>(in_size))
      .U8(in ? 1 : 0)
      .Bytes(in, carries_input ? static_cast<uint32_t>(in_size) : 0)
      .U32(static_cast<uint32_t>(out_size))
      .U8(out ? 1 : 0);
  auto reply = server.Call(request);
  if (!reply) return 0;
  auto result = static_cast<int>(reply->fields.U32());
  std::vector<uint8_t> bytes = reply->fields.Bytes(kMaxEscapeData);
  if (!reply->fields.End()) return 0;
  if (out && out_size > 0 && bytes.size() == static_cast<size_t>(out_size))
    std::memcpy(out, bytes.data(), bytes.size());
  if (reply->last_error) SetLastError(reply->last_error);
  return result;
}

std::optional<std::vector<uint32_t>> RemotePlatformInfo(ServerLink& server) {
  auto reply = server.Call(ServerRequest(ServerOp::kPlatformInfo));
  if (!reply) return std::nullopt;
  bool has = reply->fields.U8() != 0;
  std::vector<uint8_t> bytes = reply->fields.Bytes(4096);
  if (!reply->fields.End() || !has || bytes.size() % sizeof(uint32_t)) return std::nullopt;
  std::vector<uint32_t> words(bytes.size() / sizeof(uint32_t));
  if (!bytes.empty()) std::memcpy(words.data(), bytes.data(), bytes.size());
  return words;
}

}  // namespace cehost
