#include "ce/kernel.h"
#include "handset/handset_state.h"

// Kernel objects that CloseHandle releases. Searches and keys have their own close calls.
extern "C" BOOL CloseHandle(HANDLE hObject) {
  auto& handles = cehost::Current().handles;
  uint32_t value = cehost::HandleTable::ValueOf(hObject);
  cehost::HandleKind kind;
  if (value == 0 || !handles.KindOf(value, &kind) || kind == cehost::HandleKind::kFind ||
      kind == cehost::HandleKind::kKey || kind == cehost::HandleKind::kModule ||
      kind == cehost::HandleKind::kRasConnection) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  handles.Remove(value, kind);
  return TRUE;
}
