#include "shell/shell_request.h"

#include <cstdint>
#include <cstring>

#include "ce/msgqueue.h"
#include "ce/text.h"
#include "frame/wide_copy.h"
#include "shell/shell_queue.h"

namespace {

ShellQueue& RequestQueue() {
  static ShellQueue queue(SHELL_REQUEST_QUEUE_NAME, sizeof(ShellRequestRecord),
                          u"Cannot open Apps Ask Shell Event message queue!\n");
  return queue;
}

BOOL Written(BOOL result) {
  return result ? TRUE : FALSE;
}

// Whether the name fits its field whole. A name cut to fit would name another icon, so a longer
// one is refused instead.
bool IconNameFits(LPCWSTR icon_name) {
  if (!icon_name || !icon_name[0]) return false;
  return wcslen(icon_name) < SHELL_ICON_NAME_CHARS;
}

// A code 12 record for the icon, of the given kind.
ShellRequestRecord IconRequest(LPCWSTR icon_name, DWORD kind) {
  ShellRequestRecord record = {};
  record.dwCode = SHELL_REQUEST_ANIMATE_ICON;
  CopyWideBounded(record.szIconName, icon_name);
  record.dwAnimationKind = kind;
  return record;
}

}  // namespace

BOOL WriteShellRequest(const ShellRequestRecord* record) {
  return RequestQueue().Write(record, sizeof *record);
}

BOOL RequestShell(DWORD code) {
  ShellRequestRecord record = {};
  record.dwCode = code;
  return Written(WriteShellRequest(&record));
}

BOOL RequestShellForWindow(DWORD code, HWND requester, DWORD value) {
  if (!requester) return FALSE;
  ShellRequestRecord record = {};
  record.dwCode = code;
  record.dwRequester = static_cast<DWORD>(reinterpret_cast<uintptr_t>(requester));
  record.dwValue = value;
  return Written(WriteShellRequest(&record));
}

BOOL AnimateDesktopIcon(LPCWSTR icon_name, DWORD first, DWORD second) {
  if (!IconNameFits(icon_name)) return FALSE;
  ShellRequestRecord record = IconRequest(icon_name, SHELL_ICON_ANIMATE);
  record.dwAnimationArg1 = first;
  record.dwAnimationArg2 = second;
  return Written(WriteShellRequest(&record));
}

BOOL ShowDesktopIconTip(LPCWSTR icon_name, LPCWSTR tip_text, const DWORD* tip_block) {
  if (!IconNameFits(icon_name)) return FALSE;
  ShellRequestRecord record = IconRequest(icon_name, SHELL_ICON_TIP);
  if (tip_text) CopyWideWhole(record.szTipText, tip_text);
  if (tip_block) std::memcpy(record.dwTipBlock, tip_block, sizeof record.dwTipBlock);
  return Written(WriteShellRequest(&record));
}
