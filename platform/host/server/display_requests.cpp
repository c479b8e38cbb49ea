// The server's answers about the screen and the platform record: the display driver and the
// record the handset's set-up gives are here.
#include "ce/sysinfo.h"
#include "ce/windows.h"
#include "handset/handset_state.h"
#include "kernel/handle_table.h"
#include "server/request_call.h"
#include "windows/remote_display.h"

namespace cehost {

bool GetDCRequest(Call& call) {
  uint32_t hwnd = call.in.U32();
  if (!call.in.End()) return false;
  call.out.U8(GetDC(HandleTable::ToHandle<HWND>(hwnd)) ? 1 : 0);
  return true;
}

bool EscapeRequest(Call& call) {
  uint64_t hdc = call.in.U64();
  auto escape = static_cast<int>(call.in.U32());
  auto in_size = static_cast<int>(call.in.U32());
  bool has_input = call.in.U8() != 0;
  std::vector<uint8_t> input = call.in.Bytes(kMaxEscapeData);
  auto out_size = static_cast<int>(call.in.U32());
  bool has_output = call.in.U8() != 0;
  if (!call.in.End() || in_size > kMaxEscapeData || out_size > kMaxEscapeData) return false;
  // The input given is whole: the caller's size, or none at all.
  if (in_size > 0 && has_input && input.size() != static_cast<size_t>(in_size)) return false;
  char none = 0;
  const char* in =
      has_input ? (input.empty() ? &none : reinterpret_cast<char*>(input.data())) : nullptr;
  std::vector<char> output(out_size > 0 ? out_size : 0);
  char* out = has_output ? (output.empty() ? &none : output.data()) : nullptr;
  int result = ExtEscape(reinterpret_cast<HDC>(static_cast<uintptr_t>(hdc)), escape, in_size, in,
                         out_size, out);
  call.out.U32(static_cast<uint32_t>(result))
      .Bytes(output.data(), has_output ? static_cast<uint32_t>(output.size()) : 0);
  return true;
}

bool PlatformInfoRequest(Call& call) {
  if (!call.in.End()) return false;
  std::optional<std::vector<uint32_t>> record = Current().platform_info.Words();
  std::vector<uint32_t> words = record.value_or(std::vector<uint32_t>{});
  call.out.U8(record ? 1 : 0)
      .Bytes(words.data(), static_cast<uint32_t>(words.size() * sizeof(uint32_t)));
  return true;
}

}  // namespace cehost
