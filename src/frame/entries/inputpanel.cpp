// The input panel and screen area exports: thin entries over the input panel family's
// operations, which pass each call through to the platform UI library.
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "inputpanel/input_panel.h"

extern "C" void CommonAPIMzGetWorkArea(RECT* pRect) {
  RunGuarded(false, [&] { return CopyWorkArea(pRect); });
}

extern "C" UINT CommonAPIMzGetParam(UINT uId) {
  return RunGuarded(0u, [&] { return GetScreenParam(uId); });
}

extern "C" INT GetSipModeEx(LPDWORD pdwMode) {
  return RunGuarded(0, [&] { return ReadSipMode(pdwMode); });
}

extern "C" void MzCloseSipEx(void) {
  RunGuarded(false, [] {
    CloseSip();
    return true;
  });
}

extern "C" UINT MzGetA4SipMessageEx(void) {
  return RunGuarded(0u, [] { return GetA4SipMessage(); });
}

extern "C" void MzGetVisibleDesktopRectEx(RECT* pRect) {
  RunGuarded(false, [&] { return CopyVisibleDesktop(pRect); });
}

extern "C" INT MzIsSipOpenEx(void) {
  return RunGuarded(0, [] { return IsSipOpen(); });
}

extern "C" void MzOpenSipFunc(DWORD dwArg1, DWORD dwArg2, RECT* pRect) {
  RunGuarded(false, [&] { return OpenSip(dwArg1, dwArg2, nullptr, false, pRect); });
}

extern "C" void MzOpenSipExFunc(DWORD dwArg1, DWORD dwArg2, LPCWSTR pszText, RECT* pRect) {
  RunGuarded(false, [&] { return OpenSip(dwArg1, dwArg2, pszText, true, pRect); });
}

extern "C" INT SendCopyInfoToA4SIPEx(void) {
  return RunGuarded(0, [] { return SendCopyInfo(); });
}

extern "C" INT SetSipWindowPosEx(DWORD dwPos) {
  return RunGuarded(0, [&] { return SetSipPosition(dwPos); });
}
