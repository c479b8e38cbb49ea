// The windows of the current handset, as the simulated handset's programs create them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ce/types.h"

namespace cehost {

// A window procedure: the answer to one message.
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct WindowSpec {
  std::u16string class_name;
  std::u16string title;
  // Runs on the window's own thread; an empty one answers every message with 0.
  WindowProc proc;
  bool visible = true;
  // A child window has a parent: FindWindowW and HWND_BROADCAST do not reach it.
  HWND parent = nullptr;
};

// Creates a window of the current handset with its own thread, which runs spec.proc for each
// message in turn; null with ERROR_INVALID_WINDOW_HANDLE when spec.parent is not a window.
HWND CreateHostWindow(const WindowSpec& spec);

// Destroys the window and its child windows: their threads finish the message in hand and stop,
// queued messages are dropped and waiting senders fail. False when hwnd is not a window.
bool DestroyHostWindow(HWND hwnd);

// Makes a window hang (it accepts posts and sends but handles none, so sends time out) or
// recover, handling what queued up meanwhile. False when hwnd is not a window.
bool SetWindowHung(HWND hwnd, bool hung);

// Waits until every message posted to the window before the call has been handled; false when
// timeout_ms (INFINITE allowed) ran out first or hwnd is not, or stops being, a window.
bool WaitWindowIdle(HWND hwnd, DWORD timeout_ms);

// True when hwnd is a window that is shown (its own state; its parent's does not count).
bool IsHostWindowVisible(HWND hwnd);

// Gives a private message of the current handset a name that the journal shows with it; an
// empty name forgets it. A registered message keeps its registered name.
void NameMessage(UINT msg, std::string_view name);

// The name the journal shows for the message: its registered name, else the name given with
// NameMessage, else empty.
std::string MessageName(UINT msg);

}  // namespace cehost
