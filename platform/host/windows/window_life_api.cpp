// A program's own windows: made by the thread that will serve their messages, destroyed by it.
#include "ce/windows.h"
#include "handset/handset_state.h"
#include "windows/remote_windows.h"
#include "windows/window_table.h"

using cehost::Current;

// hWndParent makes the window a child (which FindWindowW and broadcasts do not reach) when
// dwStyle has WS_CHILD; without it, the parent only owns the window, which stays top-level.
// Position and size are kept by nobody: cehost draws nothing. When the procedure answers
// WM_CREATE with -1 the window is destroyed (it gets WM_DESTROY) and the last error is left as
// the procedure left it: the platform sets none of its own for a refusal.
extern "C" HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                                DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                                HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  auto& windows = *Current().windows;
  auto known = windows.FindClass(lpClassName);
  DWORD error = ERROR_SUCCESS;
  if (!known) {
    error = ERROR_CANNOT_FIND_WND_CLASS;
  } else if (hWndParent && !windows.Find(hWndParent)) {
    error = ERROR_INVALID_WINDOW_HANDLE;
  } else if ((dwStyle & WS_CHILD) && !hWndParent) {
    error = ERROR_TLW_WITH_WSCHILD;
  }
  HWND hwnd = nullptr;
  if (error == ERROR_SUCCESS) {
    cehost::WindowSpec spec;
    spec.class_name = known->name;
    spec.title = lpWindowName ? lpWindowName : u"";
    spec.proc = known->proc;
    spec.visible = (dwStyle & WS_VISIBLE) != 0;
    spec.parent = (dwStyle & WS_CHILD) ? hWndParent : nullptr;
    // A program attached to its handset's server enters the window there first: the handle is
    // the server's, one for every program.
    HWND given = nullptr;
    auto state = cehost::CurrentShared();
    if (state->server) given = cehost::EnterRemoteWindow(state, spec, &error);
    if (!state->server || given) {
      hwnd = windows.CreateOwned(spec, known->atom, windows.ThreadQueue(true), &error, given);
      if (!hwnd && given) cehost::LeaveRemoteWindow(*state->server, given);
    }
  }
  if (!hwnd) {
    SetLastError(error);
    return nullptr;
  }
  auto window = windows.Find(hwnd);
  CREATESTRUCTW create{lpParam,
                       hInstance,
                       hMenu,
                       hWndParent,
                       nHeight,
                       nWidth,
                       Y,
                       X,
                       static_cast<LONG>(dwStyle),
                       lpWindowName,
                       lpClassName,
                       dwExStyle};
  if (window && window->Call(WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  // The procedure may have destroyed the window itself meanwhile.
  return windows.Find(hwnd) == window ? hwnd : nullptr;
}

// The window and its descendants of the calling thread get WM_DESTROY, parent first, while they
// still exist; descendants that other threads own (or that have threads of their own) go
// without it, as no thread is there to run their procedures now. A window already being
// destroyed (DestroyWindow called again from its WM_DESTROY) is not destroyed twice: TRUE.
extern "C" BOOL DestroyWindow(HWND hWnd) {
  auto& windows = *Current().windows;
  auto window = windows.Find(hWnd);
  if (!window || !windows.OwnedByCaller(*window)) {
    SetLastError(window ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!window->BeginDestroy()) return TRUE;
  auto family = windows.Family(hWnd);
  for (const auto& member : family) {
    if (member == window || (windows.OwnedByCaller(*member) && member->BeginDestroy()))
      member->Call(WM_DESTROY, 0, 0);
  }
  windows.Destroy(hWnd);
  // In the server's table too, when the program is attached to it.
  if (auto& server = Current().server)
    for (const auto& member : family) cehost::LeaveRemoteWindow(*server, member->hwnd());
  return TRUE;
}

extern "C" LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
  if (Msg == WM_CLOSE) DestroyWindow(hWnd);
  return 0;
}
