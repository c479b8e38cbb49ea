#include "sim/ui_library/ui_library_remote.h"

#include <cstring>
#include <string>

#include "cehost/programs.h"
#include "cehost/text.h"
#include "oem/ui_library.h"
#include "sim/ui_library/input_panel.h"

namespace sim {

namespace {

// The longest text MzOpenSipEx hands across; a panel's starting text is a few words.
constexpr size_t kMaxText = 1024;

// A call as it travels: its entry, its number arguments and whether a text follows.
struct WireCall {
  uint32_t entry = 0;
  uint32_t a = 0;
  uint32_t b = 0;
  uint32_t has_text = 0;
};

UiAnswer Invoke(UiEntry entry, uint32_t a, uint32_t b, const char16_t* text) {
  UiAnswer answer;
  switch (entry) {
    case UiEntry::kGetWorkArea:
      answer.rect = MzGetWorkArea();
      break;
    case UiEntry::kGetParam:
      answer.result = static_cast<int32_t>(MzGetParam(a));
      break;
    case UiEntry::kGetSipMode: {
      DWORD mode = 0;
      answer.result = GetSipMode(mode);
      answer.mode = mode;
      break;
    }
    case UiEntry::kCloseSip:
      MzCloseSip();
      break;
    case UiEntry::kGetA4SipMessage:
      answer.result = static_cast<int32_t>(MzGetA4SipMessage());
      break;
    case UiEntry::kGetVisibleDesktopRect:
      answer.rect = MzGetVisibleDesktopRect();
      break;
    case UiEntry::kIsSipOpen:
      answer.result = MzIsSipOpen() ? 1 : 0;
      break;
    case UiEntry::kOpenSip:
      answer.rect = MzOpenSip(a, b);
      break;
    case UiEntry::kOpenSipEx:
      answer.rect = MzOpenSipEx(a, b, text);
      break;
    case UiEntry::kSendCopyInfo:
      answer.result = SendCopyInfoToA4SIP();
      break;
    case UiEntry::kSetSipWindowPos:
      answer.result = SetSipWindowPos(a);
      break;
  }
  return answer;
}

}  // namespace

std::optional<UiAnswer> CallServerPanel(UiEntry entry, uint32_t a, uint32_t b,
                                        const char16_t* text) {
  if (CurrentInputPanel() || !cehost::HandsetServed()) return std::nullopt;
  WireCall call{static_cast<uint32_t>(entry), a, b, text ? 1u : 0u};
  std::vector<uint8_t> bytes(sizeof call);
  std::memcpy(bytes.data(), &call, sizeof call);
  if (text) {
    std::u16string_view given = cehost::BoundedText(text, kMaxText);
    const auto* units = reinterpret_cast<const uint8_t*>(given.data());
    bytes.insert(bytes.end(), units, units + given.size() * sizeof(char16_t));
  }
  auto reply = cehost::CallServedProgram(kInputPanelProgram, bytes);
  UiAnswer answer;
  if (!reply || reply->size() != sizeof answer) return std::nullopt;
  std::memcpy(&answer, reply->data(), sizeof answer);
  return answer;
}

std::optional<std::vector<uint8_t>> AnswerUiLibraryCall(const std::vector<uint8_t>& bytes) {
  WireCall call;
  if (bytes.size() < sizeof call) return std::nullopt;
  std::memcpy(&call, bytes.data(), sizeof call);
  size_t text_bytes = bytes.size() - sizeof call;
  if (call.entry > static_cast<uint32_t>(UiEntry::kSetSipWindowPos) || call.has_text > 1 ||
      text_bytes % sizeof(char16_t) || text_bytes > kMaxText * sizeof(char16_t) ||
      (!call.has_text && text_bytes))
    return std::nullopt;
  std::u16string text(text_bytes / sizeof(char16_t), u'\0');
  if (text_bytes) std::memcpy(text.data(), bytes.data() + sizeof call, text_bytes);
  UiAnswer answer = Invoke(static_cast<UiEntry>(call.entry), call.a, call.b,
                           call.has_text ? text.c_str() : nullptr);
  std::vector<uint8_t> reply(sizeof answer);
  std::memcpy(reply.data(), &answer, sizeof answer);
  return reply;
}

}  // namespace sim
