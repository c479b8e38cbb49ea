// TestWindow on cehost: a host window of the current handset, which has its own thread.
#include "test_window.h"

#include <stdexcept>
#include <string>

#include "cehost/windows.h"

namespace conformance {

namespace {

constexpr DWORD kIdleWaitMs = 10000;

}  // namespace

struct TestWindow::Impl {
  HWND hwnd = nullptr;
};

TestWindow::TestWindow(const WideString& class_name, const WideString& title, Handler handler,
                       bool visible, HWND parent)
    : impl_(std::make_unique<Impl>()) {
  cehost::WindowSpec spec;
  spec.class_name = class_name;
  spec.title = title;
  spec.proc = [handler = std::move(handler)](HWND, UINT msg, WPARAM wparam,
                                             LPARAM lparam) -> LRESULT {
    return handler && ReachesHandler(msg) ? handler(msg, wparam, lparam) : 0;
  };
  spec.visible = visible;
  spec.parent = parent;
  impl_->hwnd = cehost::CreateHostWindow(spec);
  if (!impl_->hwnd) {
    throw std::runtime_error("cannot create a test window, error " +
                             std::to_string(GetLastError()));
  }
}

TestWindow::~TestWindow() {
  // A child is gone already when its parent was destroyed first; that is fine.
  cehost::DestroyHostWindow(impl_->hwnd);
}

HWND TestWindow::hwnd() const {
  return impl_->hwnd;
}

bool TestWindow::WaitIdle() {
  DWORD saved = GetLastError();
  bool idle = cehost::WaitWindowIdle(impl_->hwnd, kIdleWaitMs);
  SetLastError(saved);
  return idle;
}

void TestWindow::Hang() {
  DWORD saved = GetLastError();
  // What was posted before is handled first, as on a window that blocks in its handler.
  cehost::WaitWindowIdle(impl_->hwnd, kIdleWaitMs);
  cehost::SetWindowHung(impl_->hwnd, true);
  SetLastError(saved);
}

}  // namespace conformance
