// The telephony query exports: thin entries over the telephony family's operations.
#include "frame/exports.h"
#include "telephony/network_status.h"
#include "telephony/phone_queries.h"

LONG Dial_GetImeiSerialNumber2(HWND, WCHAR* imei, DWORD imei_length, WCHAR* model,
                               DWORD model_length) {
  // The window handle is part of the interface and not used.
  return GetImeiAndModel(imei, imei_length, model, model_length);
}

DWORD Dial_GetMissCallCnt() {
  return GetMissedCallCount();
}

DWORD Dial_GetUnreadSmsCnt() {
  return GetUnreadSmsCount();
}

extern "C" int CallNotifyApiGetImeiSerialNumber2(HWND hwnd, WCHAR* imei, DWORD imei_length,
                                                 WCHAR* model, DWORD model_length) {
  return Dial_GetImeiSerialNumber2(hwnd, imei, imei_length, model, model_length);
}

extern "C" int CallNotifyApiDial_GetMissCallCnt() {
  return static_cast<int>(Dial_GetMissCallCnt());
}

DWORD QueryNetWorkStatus() {
  return GetNetworkStatus();
}

extern "C" int CalllNotifyApiQueryNetWorkStatus() {
  return static_cast<int>(QueryNetWorkStatus());
}
