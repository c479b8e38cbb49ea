// Registering and removing a program's window classes on the current handset.
#include "ce/windows.h"
#include "handset/handset_state.h"
#include "windows/window_table.h"

// The classes are the program's own on its handset: a name is taken once, whatever the
// instance handle, which CE does not use to tell classes apart. The class's extra bytes, icon,
// cursor, brush and menu are kept by nobody: cehost draws nothing.
extern "C" ATOM RegisterClassW(const WNDCLASSW* lpWndClass) {
  if (!lpWndClass) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD error = ERROR_SUCCESS;
  ATOM atom = cehost::Current().windows->RegisterClass(*lpWndClass, &error);
  if (!atom) SetLastError(error);
  return atom;
}

extern "C" BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) {
  DWORD error = ERROR_SUCCESS;
  if (cehost::Current().windows->UnregisterClass(lpClassName, &error)) return TRUE;
  SetLastError(error);
  return FALSE;
}
