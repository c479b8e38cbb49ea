#include "telephony/operator_id.h"

#include <cstring>

#include "ce/kernel.h"
#include "ce/text.h"
#include "oem/phone_adapter.h"

LONG Dial_GetOperatorIdentifier(DWORD* sub_id) {
  if (!sub_id) {
    NKDbgPrintfW(u"Corvanta::Dial_GetOperatorIdentifier::lpdwSubId is null\r\n");
    return kTelephonyRefused;
  }
  WCHAR digits[6] = {};
  WCHAR imsi[20] = {};
  PAL_SGetPhoneIMSI(imsi, 20);
  std::memcpy(digits, imsi, 5 * sizeof(WCHAR));
  DWORD id = static_cast<DWORD>(wcstol(digits, nullptr, 10));
  *sub_id = id;
  NKDbgPrintfW(u"Corvanta::Dial_GetOperatorIdentifier::lpdwSubId=%d\r\n", id);
  return kTelephonyDone;
}
