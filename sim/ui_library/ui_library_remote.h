// The UI library's calls across the handset server: the library, loaded in a program attached to
// the server, has the input panel that runs in the server answer them, so that every program
// sees one panel.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ce/geometry.h"
#include "ce/types.h"

namespace sim {

// The library's functions, as a call names them.
enum class UiEntry : uint32_t {
  kGetWorkArea,
  kGetParam,
  kGetSipMode,
  kCloseSip,
  kGetA4SipMessage,
  kGetVisibleDesktopRect,
  kIsSipOpen,
  kOpenSip,
  kOpenSipEx,
  kSendCopyInfo,
  kSetSipWindowPos,
};

// What a call answers: its number result (0 or 1 for a truth), its rectangle, and the mode
// GetSipMode writes.
struct UiAnswer {
  int32_t result = 0;
  RECT rect{};
  uint32_t mode = 0;
};

// The call as the server's panel answered it; nullopt when this process runs a panel of its
// own, or when the handset has no server to ask.
std::optional<UiAnswer> CallServerPanel(UiEntry entry, uint32_t a = 0, uint32_t b = 0,
                                        const char16_t* text = nullptr);

// Runs a call an attached program made on this process's panel and returns its answer; nullopt
// for a malformed call.
std::optional<std::vector<uint8_t>> AnswerUiLibraryCall(const std::vector<uint8_t>& call);

}  // namespace sim
