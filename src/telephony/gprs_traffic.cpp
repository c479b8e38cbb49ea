#include "telephony/gprs_traffic.h"

#include "ce/kernel.h"
#include "frame/registry_value.h"
#include "oem/phone_adapter.h"
#include "telephony/phone_session.h"

namespace {
constexpr const WCHAR* kTotalsKey = u"DialParameter";
constexpr const WCHAR* kReceivedTotal = u"gprsReceiveDataCount";
constexpr const WCHAR* kSentTotal = u"gprsSendDataCount";

// Reads one total; a missing or unreadable total is recreated as 0.
DWORD ReadTotal(const WCHAR* name) {
  DWORD total = 0;
  if (!ReadRegistryDword(HKEY_LOCAL_MACHINE, kTotalsKey, name, &total)) {
    WriteRegistryDword(HKEY_LOCAL_MACHINE, kTotalsKey, name, 0);
    total = 0;
  }
  return total;
}
}  // namespace

LONG SetGprsAttachState(BOOL attach) {
  LONG result = 0;
  if (!WithPhoneSession(
          [&](HPAC session) { result = PAC_SSetGPRSAttached(session, attach, 10000); }))
    return kTelephonyRefused;
  if (result == 1) return kTelephonyDone;
  NKDbgPrintfW(u"Corvanta::PAC_SSetGPRSAttached is fail\r\n");
  return kTelephonyAdapterRefused;
}

bool ReadAndResetTrafficCount(DWORD* received, DWORD* sent) {
  PAC_GPRS_TRAFFIC_COUNT record = {};
  DWORD info = 0;
  LONG read = -1;
  bool opened = WithPhoneSession([&](HPAC session) {
    read = PAC_SGetGprsTrafficCount(session, 5000, &record, &info);
    PAC_SSetGprsTrafficCount(session, 1, 0, 0, 5000);
  });
  if (!opened) return false;
  if (read < 0) {
    NKDbgPrintfW(u"Corvanta::PAC_AGetGprsTrafficCount:is fail\r\n");
    return false;
  }
  *received = record.dwReceived;
  *sent = record.dwSent;
  return true;
}

LONG Dial_GetGprsReceiveAndSendData(DWORD* received_total, DWORD* sent_total) {
  if (!received_total || !sent_total) {
    NKDbgPrintfW(u"Corvanta::Dial_GetGprsReceiveAndSendData::pointer is NULL\r\n");
    return kTelephonyRefused;
  }
  *received_total = ReadTotal(kReceivedTotal);
  *sent_total = ReadTotal(kSentTotal);
  DWORD received = 0;
  DWORD sent = 0;
  ReadAndResetTrafficCount(&received, &sent);
  // The totals are unsigned 32-bit sums and wrap around.
  *received_total += received;
  *sent_total += sent;
  WriteRegistryDword(HKEY_LOCAL_MACHINE, kTotalsKey, kSentTotal, *sent_total);
  WriteRegistryDword(HKEY_LOCAL_MACHINE, kTotalsKey, kReceivedTotal, *received_total);
  return kTelephonyDone;
}
