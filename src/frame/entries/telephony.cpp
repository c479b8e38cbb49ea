// The telephony exports: thin entries over the telephony family's queries, the GPRS dial-up and
// the network status.
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "telephony/gprs_dial.h"
#include "telephony/network_status.h"
#include "telephony/phone_queries.h"
#include "telephony/telephony_result.h"

LONG Dial_GetImeiSerialNumber2(HWND, WCHAR* imei, DWORD imei_length, WCHAR* model,
                               DWORD model_length) {
  // The window handle is part of the interface and not used.
  return RunGuarded(kTelephonyRefused,
                    [&] { return GetImeiAndModel(imei, imei_length, model, model_length); });
}

DWORD Dial_GetMissCallCnt() {
  return RunGuarded(DWORD{0}, [] { return GetMissedCallCount(); });
}

DWORD Dial_GetUnreadSmsCnt() {
  return RunGuarded(DWORD{0}, [] { return GetUnreadSmsCount(); });
}

extern "C" int CallNotifyApiGetImeiSerialNumber2(HWND hwnd, WCHAR* imei, DWORD imei_length,
                                                 WCHAR* model, DWORD model_length) {
  return Dial_GetImeiSerialNumber2(hwnd, imei, imei_length, model, model_length);
}

extern "C" int CallNotifyApiDial_GetMissCallCnt() {
  return static_cast<int>(Dial_GetMissCallCnt());
}

LONG Dial_StartGprsConnect2(GprsConnectCallback pfnCallback, DWORD dwMode, LPCWSTR pszAccessName) {
  return RunGuarded(kTelephonyRefused, [&] {
    return StartGprsConnectForCallback(pfnCallback, dwMode, pszAccessName);
  });
}

LONG Dial_StartGprsConnect2(HWND, DWORD dwMode) {
  // The window handle is part of the interface and not used.
  return RunGuarded(kTelephonyRefused, [&] { return StartGprsConnectForWindow(dwMode); });
}

LONG Dial_StopGprsConnect2(HWND) {
  // The interface answers 1 whatever happens.
  return RunGuarded(kTelephonyDone, [] { return StopGprsConnect(); });
}

extern "C" INT CalllNotifyApiStartGprsConnect2(HWND hwnd, DWORD dwMode) {
  return Dial_StartGprsConnect2(hwnd, dwMode);
}

extern "C" INT CalllNotifyApiStopGprsConnect2(HWND hwnd) {
  return Dial_StopGprsConnect2(hwnd);
}

DWORD QueryNetWorkStatus() {
  // A status that cannot be had reads as no network.
  return RunGuarded(kNoNetwork, [] { return GetNetworkStatus(); });
}

extern "C" int CalllNotifyApiQueryNetWorkStatus() {
  return static_cast<int>(QueryNetWorkStatus());
}
