// The platform UI library "VERA0960.dll" as this process reaches it: loaded on first use and kept
// until the process ends, its functions looked up by their decorated names and kept once found.
#pragma once

#include "ce/modules.h"

// The UI library's functions.
enum class UiFunction {
  kGetWorkArea,
  kGetParam,
  kGetSipMode,
  kCloseSip,
  kGetA4SipMessage,
  kGetVisibleDesktopRect,
  kIsSipOpen,
  kOpenSip,
  kOpenSipEx,
  kSendCopyInfoToA4Sip,
  kSetSipWindowPos,
};
inline constexpr int kUiFunctionCount = 11;

// The UI library's function, or NULL (with a debug trace line naming what is missing) when the
// library or the function cannot be found; a miss is looked for again on the next call. Two
// threads making their first call at once load the library once.
FARPROC FindUiFunction(UiFunction function);

// The UI library's function as its own type, or NULL.
template <class F>
F* UiFunctionAs(UiFunction function) {
  return reinterpret_cast<F*>(FindUiFunction(function));
}
