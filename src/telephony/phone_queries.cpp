#include "telephony/phone_queries.h"

#include "ce/modules.h"
#include "oem/phone_adapter.h"

LONG GetImeiAndModel(WCHAR* imei, DWORD imei_length, WCHAR* model, DWORD model_length) {
  BOOL result = FALSE;
  if (imei) result = PAL_SGetPhoneIMEI(imei, imei_length);
  // With both buffers, the model's answer decides.
  if (model) result = PAL_SGetPhoneModel(model, model_length);
  return result ? kTelephonyDone : kTelephonyRefused;
}

DWORD GetMissedCallCount() {
  DWORD count = 0;
  PAL_SGetMissedCallCnt(&count);
  return count;
}

DWORD GetExistingCallCount() {
  DWORD count = 0;
  PAL_SGetExistedCallCnt(&count);
  return count;
}

DWORD GetUnreadSmsCount() {
  DWORD count = 0;
  HMODULE adapter = LoadLibraryW(u"\\Windows\\PhoneAdapter.dll");
  if (!adapter) return 0;
  using GetUnreadMsgCnt = BOOL (*)(DWORD*);
  auto get = reinterpret_cast<GetUnreadMsgCnt>(GetProcAddressW(adapter, u"PAL_SGetUnreadMsgCnt"));
  if (get) get(&count);
  FreeLibrary(adapter);
  return count;
}
