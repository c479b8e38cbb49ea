#include "inputpanel/input_panel.h"

#include "inputpanel/ui_library_link.h"
#include "oem/ui_library.h"

namespace {

// Stores a rectangle the UI library returned, field by field in the record's order.
void StoreRect(const RECT& from, RECT* to) {
  to->left = from.left;
  to->top = from.top;
  to->right = from.right;
  to->bottom = from.bottom;
}

bool CopyRect(UiFunction function, RECT* rect) {
  if (!rect) return false;
  auto get = UiFunctionAs<RECT()>(function);
  if (!get) return false;
  StoreRect(get(), rect);
  return true;
}

}  // namespace

bool CopyWorkArea(RECT* rect) {
  return CopyRect(UiFunction::kGetWorkArea, rect);
}

UINT GetScreenParam(UINT id) {
  auto get = UiFunctionAs<decltype(MzGetParam)>(UiFunction::kGetParam);
  return get ? get(id) : 0;
}

INT ReadSipMode(LPDWORD mode) {
  if (!mode) return 0;
  auto get = UiFunctionAs<decltype(GetSipMode)>(UiFunction::kGetSipMode);
  return get ? get(*mode) : 0;
}

void CloseSip() {
  if (auto close = UiFunctionAs<decltype(MzCloseSip)>(UiFunction::kCloseSip)) close();
}

UINT GetA4SipMessage() {
  auto get = UiFunctionAs<decltype(MzGetA4SipMessage)>(UiFunction::kGetA4SipMessage);
  return get ? get() : 0;
}

bool CopyVisibleDesktop(RECT* rect) {
  return CopyRect(UiFunction::kGetVisibleDesktopRect, rect);
}

INT IsSipOpen() {
  auto get = UiFunctionAs<decltype(MzIsSipOpen)>(UiFunction::kIsSipOpen);
  return get && get() ? 1 : 0;
}

bool OpenSip(DWORD arg1, DWORD arg2, LPCWSTR text, bool with_text, RECT* rect) {
  if (!rect) return false;
  if (with_text) {
    auto open = UiFunctionAs<decltype(MzOpenSipEx)>(UiFunction::kOpenSipEx);
    if (!open) return false;
    StoreRect(open(arg1, arg2, text), rect);
    return true;
  }
  auto open = UiFunctionAs<decltype(MzOpenSip)>(UiFunction::kOpenSip);
  if (!open) return false;
  StoreRect(open(arg1, arg2), rect);
  return true;
}

INT SendCopyInfo() {
  auto send = UiFunctionAs<decltype(SendCopyInfoToA4SIP)>(UiFunction::kSendCopyInfoToA4Sip);
  return send ? send() : 0;
}

INT SetSipPosition(DWORD pos) {
  auto set = UiFunctionAs<decltype(SetSipWindowPos)>(UiFunction::kSetSipWindowPos);
  return set ? set(pos) : 0;
}
