// A window for the window checks, the same on cehost and on Win32: it has its own thread, which
// hands the messages the window receives to a handler, one at a time, in order.
#pragma once

#include <functional>
#include <memory>

#include "portable.h"

namespace conformance {

// The answer to one message; runs on the window's thread.
using Handler = std::function<LRESULT(UINT msg, WPARAM, LPARAM)>;

// True for the messages a TestWindow's handler is given: WM_SETTINGCHANGE and every message from
// WM_USER up. The window manager's own messages (creation, painting, activation, ...) differ
// between platforms and go to the platform's default handling instead, on both.
inline bool ReachesHandler(UINT msg) {
  return msg == WM_SETTINGCHANGE || msg >= WM_USER;
}

class TestWindow {
 public:
  // Creates a top-level window (a child one when parent is given) of that class and title;
  // throws std::runtime_error when the platform refuses.
  TestWindow(const WideString& class_name, const WideString& title, Handler handler,
             bool visible = true, HWND parent = nullptr);
  // Destroys the window (a hung one too) and ends its thread.
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  // The window's handle.
  HWND hwnd() const;
  // Returns once every message posted to the window before the call has been handled; false
  // when that took longer than ten seconds (a hung window never gets there).
  bool WaitIdle();
  // From now on the window's thread is blocked inside its handler until the window is
  // destroyed, so sends to it time out and posts wait. Messages posted before are handled first.
  void Hang();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace conformance
