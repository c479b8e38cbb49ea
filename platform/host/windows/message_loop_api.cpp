// A thread's message loop: taking its messages, handing them to its windows' procedures, and
// ending with WM_QUIT.
#include <optional>

#include "ce/windows.h"
#include "handset/handset_state.h"
#include "windows/window_table.h"

namespace cehost {
namespace {

// Takes a message for GetMessageW (wait) or PeekMessageW; nothing, with the last error set, when
// lpMsg is null or hWnd is not (or stops being) a window of the calling thread.
std::optional<Taken> TakeMessage(LPMSG msg, HWND hwnd, UINT first, UINT last, bool remove,
                                 bool wait) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  auto& windows = *Current().windows;
  std::shared_ptr<Window> filter;
  if (hwnd) {
    filter = windows.Find(hwnd);
    if (!filter || !windows.OwnedByCaller(*filter)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return std::nullopt;
    }
  }
  auto queue = windows.ThreadQueue(true);
  Taken taken = queue->Take(msg, filter.get(), first, last, remove, wait);
  if (taken == Taken::kFilterGone) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return std::nullopt;
  }
  // The handset is going: its windows are destroyed and its queues closed as it is unmounted.
  // The thread gets what a quit gives, WM_QUIT, so that its loop ends: GetMessageW answers FALSE,
  // which ends both the usual `while (GetMessageW(...))` loop and the careful `> 0` one. -1
  // would say the call was wrong, which it was not, and would keep the usual loop going round
  // at once, every call failing.
  if (taken == Taken::kClosed) {
    *msg = MSG{nullptr, WM_QUIT, 0, 0, 0, POINT{0, 0}};
    taken = Taken::kQuit;
  }
  return taken;
}

}  // namespace
}  // namespace cehost

using cehost::Taken;

// WM_QUIT comes whatever the filters, once no posted message matches, so that a loop filtered
// on its window ends too; one posted as a message ends the loop as well. A window of another
// thread as hWnd fails like a bad one.
extern "C" BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  auto taken = cehost::TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
  if (!taken) return -1;
  return *taken == Taken::kMessage && lpMsg->message != WM_QUIT ? TRUE : FALSE;
}

// Flags other than PM_REMOVE (PM_NOYIELD; desktop's PM_QS_ ones) change nothing: the thread
// gives way to no one by peeking. A bad hWnd gives FALSE with ERROR_INVALID_WINDOW_HANDLE.
extern "C" BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                             UINT wRemoveMsg) {
  auto taken = cehost::TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax,
                                   (wRemoveMsg & PM_REMOVE) != 0, false);
  return taken == Taken::kMessage || taken == Taken::kQuit ? TRUE : FALSE;
}

// The handset has no keyboard layout to make characters of keys: a key message is recognised
// (nonzero, as the platform answers for one whether or not it makes a character) and no WM_CHAR
// is posted.
extern "C" BOOL TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg) return FALSE;
  switch (lpMsg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      return TRUE;
    default:
      return FALSE;
  }
}

// A window another thread serves is refused (0, ERROR_ACCESS_DENIED): its procedure runs on
// that thread only.
extern "C" LRESULT DispatchMessageW(const MSG* lpMsg) {
  if (!lpMsg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!lpMsg->hwnd) return 0;
  auto& windows = *cehost::Current().windows;
  auto window = windows.Find(lpMsg->hwnd);
  if (!window || !windows.OwnedByCaller(*window)) {
    SetLastError(window ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return window->Call(lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

extern "C" void PostQuitMessage(int nExitCode) {
  cehost::Current().windows->ThreadQueue(true)->Quit(nExitCode);
}

extern "C" BOOL InSendMessage(void) {
  return cehost::HandlingSentMessage() ? TRUE : FALSE;
}
