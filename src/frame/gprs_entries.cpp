// The GPRS dial-up exports: thin entries over the data connection's operations.
#include "frame/exports.h"
#include "telephony/gprs_dial.h"

LONG Dial_StartGprsConnect2(GprsConnectCallback pfnCallback, DWORD dwMode, LPCWSTR pszAccessName) {
  return StartGprsConnectForCallback(pfnCallback, dwMode, pszAccessName);
}

LONG Dial_StartGprsConnect2(HWND, DWORD dwMode) {
  // The window handle is part of the interface and not used.
  return StartGprsConnectForWindow(dwMode);
}

LONG Dial_StopGprsConnect2(HWND) {
  return StopGprsConnect();
}

extern "C" INT CalllNotifyApiStartGprsConnect2(HWND hwnd, DWORD dwMode) {
  return Dial_StartGprsConnect2(hwnd, dwMode);
}

extern "C" INT CalllNotifyApiStopGprsConnect2(HWND hwnd) {
  return Dial_StopGprsConnect2(hwnd);
}
