// The window message calls over the current handset's windows.
#include <string>

#include "ce/windows.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "windows/remote_windows.h"
#include "windows/window_table.h"

namespace cehost {
namespace {

// Message numbers above this are reserved by the platform.
constexpr UINT kLastMessage = 0xFFFF;
// The longest name RegisterWindowMessageW takes, as for an atom.
constexpr size_t kLongestName = 255;

// How the journal names the target: the window's class, HWND_BROADCAST, or the bad value.
std::string TargetName(HWND hwnd, const Window* window) {
  if (hwnd == HWND_BROADCAST) return "HWND_BROADCAST";
  if (window) return ToUtf8(window->class_name());
  return HexNumber(reinterpret_cast<uintptr_t>(hwnd));
}

// The fields of a posted or sent message: its target, number, name when it has one (registered
// or given by the program that owns it) and parameters.
std::vector<std::pair<std::string, std::string>> MessageFields(HandsetState& state, std::string to,
                                                               UINT msg, WPARAM wparam,
                                                               LPARAM lparam) {
  std::vector<std::pair<std::string, std::string>> fields{{"to", std::move(to)},
                                                          {"msg", HexNumber(msg, 4)}};
  if (std::string name = state.windows->names().Name(msg); !name.empty())
    fields.emplace_back("name", std::move(name));
  fields.emplace_back("wparam", HexNumber(wparam));
  fields.emplace_back("lparam", HexNumber(static_cast<uintptr_t>(lparam)));
  return fields;
}

void RecordPost(HandsetState& state, std::string to, UINT msg, WPARAM wparam, LPARAM lparam,
                bool ok) {
  auto fields = MessageFields(state, std::move(to), msg, wparam, lparam);
  fields.emplace_back("result", ok ? "1" : "0");
  RecordEffect(state.journal, EffectKind::kWindowPost, std::move(fields));
}

// Posts a message without a window on the thread's queue; the journal names the thread as to.
BOOL PostToThread(HandsetState& state, const std::shared_ptr<ThreadMessageQueue>& queue,
                  std::string to, UINT msg, WPARAM wparam, LPARAM lparam) {
  DWORD error = ERROR_INVALID_THREAD_ID;
  auto record = [&](bool ok) { RecordPost(state, to, msg, wparam, lparam, ok); };
  if (queue) {
    queue->Post(nullptr, msg, wparam, lparam, &error, record);
  } else {
    record(false);
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

bool Matches(LPCWSTR wanted, const std::u16string& actual) {
  return !wanted || EqualsIgnoreCase(wanted, actual);
}

}  // namespace
}  // namespace cehost

using cehost::Current;

// Names compare without regard to case, as atoms do on the desktop; cehost follows that. An
// empty name is refused with ERROR_INVALID_NAME, as an atom's is; a null one and one longer than
// 255 characters with ERROR_INVALID_PARAMETER.
extern "C" UINT RegisterWindowMessageW(LPCWSTR lpString) {
  size_t length = 0;
  while (lpString && length <= cehost::kLongestName && lpString[length]) ++length;
  if (!lpString || length == 0 || length > cehost::kLongestName) {
    SetLastError(lpString && length == 0 ? ERROR_INVALID_NAME : ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD error = ERROR_SUCCESS;
  std::u16string_view name(lpString, length);
  cehost::HandsetState& state = Current();
  UINT id = state.server
                ? cehost::RegisterRemoteMessage(*state.server, state.windows->names(), name, &error)
                : state.windows->names().Register(name, &error);
  if (!id) SetLastError(error);
  return id;
}

// Among several matches the newest window is found, as it is the topmost of them. A class given
// as an atom (a value below 0x10000) is a class the program registered; an unknown atom matches
// nothing.
extern "C" HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  // An attached program finds the windows of every program; a class atom is only its own.
  if (auto& server = Current().server; server && !cehost::IsAtomName(lpClassName))
    return cehost::RemoteFindWindow(*server, lpClassName, lpWindowName);
  auto& windows = *Current().windows;
  std::u16string by_atom;
  if (cehost::IsAtomName(lpClassName)) {
    auto known = windows.FindClass(lpClassName);
    if (!known) return nullptr;
    by_atom = known->name;
    lpClassName = by_atom.c_str();
  }
  auto top = windows.TopLevel();
  for (auto it = top.rbegin(); it != top.rend(); ++it) {
    if (cehost::Matches(lpClassName, (*it)->class_name()) &&
        cehost::Matches(lpWindowName, (*it)->title()))
      return (*it)->hwnd();
  }
  return nullptr;
}

// A NULL hWnd posts a message without a window to the calling thread's own queue, which the
// call gives the thread when it has none. Message numbers above 0xFFFF are reserved by the
// platform, and the handset's own programs use them between their windows: cehost delivers one
// to a window with its full 32 bits, and refuses it in a broadcast (ERROR_INVALID_PARAMETER),
// which would reach windows that do not know it. A broadcast reaches the top-level
// windows that exist when it is made; one whose queue is full misses it, and the call succeeds.
extern "C" BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  cehost::HandsetState& state = Current();
  auto& windows = *state.windows;
  if (!hWnd)
    return cehost::PostToThread(state, windows.ThreadQueue(true), "0x0", Msg, wParam, lParam);
  // An attached program reaches other programs' windows, and broadcasts to all, through the
  // server, which journals them.
  if (state.server && (hWnd == HWND_BROADCAST || !windows.Find(hWnd)))
    return cehost::RemotePost(*state.server, hWnd, Msg, wParam, lParam);
  if (hWnd == HWND_BROADCAST) {
    bool ok = Msg <= cehost::kLastMessage;
    cehost::RecordPost(state, "HWND_BROADCAST", Msg, wParam, lParam, ok);
    if (!ok) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    DWORD ignored;
    for (auto& window : windows.TopLevel()) window->Post(Msg, wParam, lParam, &ignored, nullptr);
    return TRUE;
  }
  auto window = windows.Find(hWnd);
  std::string to = cehost::TargetName(hWnd, window.get());
  DWORD error = window ? ERROR_SUCCESS : ERROR_INVALID_WINDOW_HANDLE;
  if (error == ERROR_SUCCESS) {
    window->Post(Msg, wParam, lParam, &error,
                 [&](bool ok) { cehost::RecordPost(state, to, Msg, wParam, lParam, ok); });
  } else {
    cehost::RecordPost(state, to, Msg, wParam, lParam, false);
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

// Only threads that own windows, or asked for messages, have a queue a thread message can reach.
extern "C" BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  cehost::HandsetState& state = Current();
  return cehost::PostToThread(state, state.windows->QueueOfThread(idThread),
                              "thread " + std::to_string(idThread), Msg, wParam, lParam);
}

// CE knows only SMTO_NORMAL: cehost refuses any other flags with ERROR_INVALID_PARAMETER, and
// message numbers above 0xFFFF in a broadcast likewise (one window gets them whole, as posted
// ones). A broadcast gives each top-level window the full
// time-out in turn, returns nonzero whatever they did and sets *lpdwResult to 0. A window of the
// calling thread has its procedure called at once, whatever the time-out. A send is recorded
// when it returns, with its answer, so what the procedure caused comes before it.
extern "C" LRESULT SendMessageTimeoutW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam,
                                       UINT fuFlags, UINT uTimeout, PDWORD_PTR lpdwResult) {
  cehost::HandsetState& state = Current();
  auto& windows = *state.windows;
  if (state.server && (hWnd == HWND_BROADCAST || !windows.Find(hWnd)))
    return cehost::RemoteSend(*state.server, hWnd, Msg, wParam, lParam, fuFlags, uTimeout,
                              lpdwResult);
  // The calling thread's own queue, when it has one: it answers what it is sent while it waits.
  auto sender = windows.ThreadQueue(false);
  std::shared_ptr<cehost::Window> window;
  if (hWnd != HWND_BROADCAST) window = windows.Find(hWnd);
  LRESULT result = 0;
  bool answered = false;
  LRESULT answer = 0;
  DWORD error = ERROR_SUCCESS;
  if (fuFlags != SMTO_NORMAL || (hWnd == HWND_BROADCAST && Msg > cehost::kLastMessage)) {
    error = ERROR_INVALID_PARAMETER;
  } else if (hWnd == HWND_BROADCAST) {
    answered = true;
    for (auto& top : windows.TopLevel())
      if (top->Send(Msg, wParam, lParam, uTimeout, sender.get()).outcome !=
          cehost::SendOutcome::kAnswered)
        answered = false;
    if (lpdwResult) *lpdwResult = 0;
    result = TRUE;
  } else if (!window) {
    error = ERROR_INVALID_WINDOW_HANDLE;
  } else {
    cehost::SendResult sent = window->Send(Msg, wParam, lParam, uTimeout, sender.get());
    if (sent.outcome == cehost::SendOutcome::kAnswered) {
      answered = true;
      answer = sent.answer;
      if (lpdwResult) *lpdwResult = static_cast<DWORD_PTR>(answer);
      result = TRUE;
    } else {
      error = sent.outcome == cehost::SendOutcome::kTimedOut ? ERROR_TIMEOUT
                                                             : ERROR_INVALID_WINDOW_HANDLE;
    }
  }
  auto fields =
      cehost::MessageFields(state, cehost::TargetName(hWnd, window.get()), Msg, wParam, lParam);
  fields.emplace_back("timeout", std::to_string(uTimeout));
  fields.emplace_back("result", result ? "1" : "0");
  fields.emplace_back("answered", answered ? "1" : "0");
  fields.emplace_back("answer", cehost::HexNumber(static_cast<uintptr_t>(answer)));
  cehost::RecordEffect(state.journal, cehost::EffectKind::kWindowSend, std::move(fields));
  if (!result) SetLastError(error);
  return result;
}

// Commands other than SW_HIDE, SW_SHOWNORMAL, SW_SHOW and SW_SHOWNA leave the window as it is.
// A bad window gives 0 with ERROR_INVALID_WINDOW_HANDLE.
extern "C" BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  cehost::HandsetState& state = Current();
  auto window = state.windows->Find(hWnd);
  bool was_visible = window && window->Show(nCmdShow);
  cehost::RecordEffect(state.journal, cehost::EffectKind::kWindowShow,
                       {{"to", cehost::TargetName(hWnd, window.get())},
                        {"cmd", std::to_string(nCmdShow)},
                        {"previous", was_visible ? "1" : "0"}});
  if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return was_visible ? TRUE : FALSE;
}
