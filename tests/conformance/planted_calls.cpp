// A shared object that imports platform calls as the library does, one of each kind the coverage
// gate tells apart: Sleep, which conformance checks name; NKDbgPrintfW, left without a check for
// the reason coverage-reasons.txt gives; MoveFileW of cehost and PAL_SGetUnreadMsgCnt of the phone
// adapter, which have neither; and cehost's own FoldCase, which no platform header declares. The
// gate, run on it, must fail naming the last three and only them (planted_calls.cmake).
#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/text.h"
#include "oem/phone_adapter.h"

extern "C" __attribute__((visibility("default"))) int PlantedCalls(const WCHAR* from,
                                                                   const WCHAR* to) {
  Sleep(0);
  NKDbgPrintfW(u"planted %s\r\n", from);
  DWORD unread = 0;
  const BOOL read = PAL_SGetUnreadMsgCnt(&unread);
  const BOOL moved = MoveFileW(from, to);
  return static_cast<int>(read + moved + unread) + cehost::FoldCase(from[0]);
}
