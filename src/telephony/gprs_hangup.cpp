// Hanging up the GPRS connection.
#include "ce/kernel.h"
#include "ce/ras.h"
#include "ce/text.h"
#include "ce/windows.h"
#include "frame/broadcast.h"
#include "frame/record_memory.h"
#include "telephony/gprs_dial.h"
#include "telephony/gprs_traffic.h"

namespace {
constexpr DWORD kListed = 10;
}  // namespace

LONG StopGprsConnect() {
  NKDbgPrintfW(u"Corvanta::Dial_StopGprsConnect2::++++++\r\n");
  RASCONN fixed[kListed] = {};
  RASCONN* list = fixed;
  fixed[0].dwSize = sizeof(RASCONN);
  DWORD size = sizeof fixed;
  DWORD count = 0;
  DWORD result = RasEnumConnections(list, &size, &count);
  // More connections than the list holds: enumerate again with room for all of them, so that
  // none stays up unseen.
  RecordPtr<RASCONN> grown;
  if (result == ERROR_BUFFER_TOO_SMALL && size > sizeof fixed) {
    grown = AllocateRecord<RASCONN>(size / sizeof(RASCONN) * sizeof(RASCONN));
    if (grown) {
      grown->dwSize = sizeof(RASCONN);
      list = grown.get();
      result = RasEnumConnections(list, &size, &count);
    }
  }
  if (result != ERROR_SUCCESS) count = 0;

  bool found = false;
  for (DWORD i = 0; i < count; ++i) {
    if (!wcsstr(list[i].szEntryName, u"GPRS")) continue;
    NKDbgPrintfW(u"Corvanta::Dial_StopGprsConnect2::ras connect count = %d...\r\n", count);
    DWORD hung_up = RasHangUp(list[i].hrasconn);
    if (hung_up != 0) {
      NKDbgPrintfW(u"Corvanta::Dial_StopGprsConnect2::RasHangUp error=%d.\r\n", hung_up);
    } else {
      NKDbgPrintfW(u"Corvanta::Dial_StopGprsConnect2::RasHangUp is successful\r\n");
    }
    found = true;
  }

  SetGprsAttachState(FALSE);
  if (found) {
    PostMessageW(HWND_BROADCAST, GetPalBroadcastMessage(), PAL_BROADCAST_GPRS_HUNG_UP, 0);
    DWORD received = 0;
    DWORD sent = 0;
    Dial_GetGprsReceiveAndSendData(&received, &sent);
    WCHAR entry_name[] = u"GPRS";
    RasDeleteEntry(nullptr, entry_name);
  }
  return kTelephonyDone;
}
