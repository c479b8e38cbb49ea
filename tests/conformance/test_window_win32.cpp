// TestWindow on Win32: a thread that registers the class, creates the window and runs its
// message loop; the window procedure hands messages to the handler.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "test_window.h"

namespace conformance {

namespace {

// Private messages, at the top of the application's range. kIdle carries a request number in
// wParam; kQuit is a thread message that ends the window's loop.
constexpr UINT kIdle = WM_APP + 0x3FF0;
constexpr UINT kHang = WM_APP + 0x3FF1;
constexpr UINT kQuit = WM_APP + 0x3FF2;

constexpr auto kWait = std::chrono::seconds(10);

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// The window, its thread and what the thread and its callers share.
struct WindowThread {
  // Runs on the window's thread: creates the window, reports it, then handles its messages.
  void Run();
  // Handles one message of the window once it exists.
  LRESULT Handle(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

  WideString class_name;
  WideString title;
  Handler handler;
  bool visible = true;
  HWND parent = nullptr;

  std::mutex mutex;
  std::condition_variable changed;
  bool created = false;  // creation ended, well or not
  HWND hwnd = nullptr;
  DWORD thread_id = 0;
  DWORD create_error = 0;
  uint64_t idle_asked = 0;
  uint64_t idle_reached = 0;
  bool hung = false;
  bool finished = false;  // the thread's loop has ended

  // Set by the destructor: a hung handler returns.
  HANDLE release = nullptr;
  std::thread thread;
};

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<WindowThread*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (state) return state->Handle(hwnd, msg, wparam, lparam);
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

void WindowThread::Run() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = class_name.c_str();
  // Another test window may have registered the class already; the procedure is the same.
  RegisterClassW(&window_class);
  // Neither window activates: activation would send messages to other windows' threads, which
  // may be hung.
  DWORD style = parent ? WS_CHILD : WS_POPUP;
  DWORD ex_style = parent ? WS_EX_NOPARENTNOTIFY : WS_EX_NOACTIVATE;
  if (visible) style |= WS_VISIBLE;
  HWND window = CreateWindowExW(ex_style, class_name.c_str(), title.c_str(), style, 0, 0, 64, 64,
                                parent, nullptr, instance, this);
  {
    std::lock_guard lock(mutex);
    created = true;
    hwnd = window;
    thread_id = GetCurrentThreadId();
    create_error = window ? 0 : GetLastError();
  }
  changed.notify_all();
  if (!window) return;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!message.hwnd && message.message == kQuit) break;
    DispatchMessageW(&message);
  }
  if (IsWindow(window)) DestroyWindow(window);
  // Fails while other windows of the class exist; the last one takes it away.
  UnregisterClassW(class_name.c_str(), instance);
  std::lock_guard lock(mutex);
  finished = true;
}

LRESULT WindowThread::Handle(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == kIdle) {
    {
      std::lock_guard lock(mutex);
      if (wparam > idle_reached) idle_reached = wparam;
    }
    changed.notify_all();
    return 0;
  }
  if (msg == kHang) {
    {
      std::lock_guard lock(mutex);
      hung = true;
    }
    changed.notify_all();
    // Waiting on an event handles no sent messages: senders time out.
    WaitForSingleObject(release, INFINITE);
    return 0;
  }
  if (ReachesHandler(msg)) return handler ? handler(msg, wparam, lparam) : 0;
  return DefWindowProcW(window, msg, wparam, lparam);
}

}  // namespace

struct TestWindow::Impl {
  WindowThread window;
};

TestWindow::TestWindow(const WideString& class_name, const WideString& title, Handler handler,
                       bool visible, HWND parent)
    : impl_(std::make_unique<Impl>()) {
  WindowThread& impl = impl_->window;
  impl.class_name = class_name;
  impl.title = title;
  impl.handler = std::move(handler);
  impl.visible = visible;
  impl.parent = parent;
  impl.release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!impl.release) throw std::runtime_error("cannot create an event for a test window");
  impl.thread = std::thread([&impl] { impl.Run(); });
  std::unique_lock lock(impl.mutex);
  impl.changed.wait(lock, [&impl] { return impl.created; });
  if (!impl.hwnd) {
    DWORD error = impl.create_error;
    lock.unlock();
    impl.thread.join();
    CloseHandle(impl.release);
    throw std::runtime_error("cannot create a test window, error " + std::to_string(error));
  }
}

TestWindow::~TestWindow() {
  WindowThread& impl = impl_->window;
  SetEvent(impl.release);
  // The loop ends after the messages queued before the request, on the window's own thread. A
  // full queue refuses the request until the thread has made room.
  while (!PostThreadMessageW(impl.thread_id, kQuit, 0, 0)) {
    std::unique_lock lock(impl.mutex);
    if (impl.finished) break;
    impl.changed.wait_for(lock, std::chrono::milliseconds(1));
  }
  impl.thread.join();
  CloseHandle(impl.release);
}

HWND TestWindow::hwnd() const {
  return impl_->window.hwnd;
}

bool TestWindow::WaitIdle() {
  WindowThread& impl = impl_->window;
  DWORD saved = GetLastError();
  uint64_t request;
  {
    std::lock_guard lock(impl.mutex);
    request = ++impl.idle_asked;
  }
  bool posted = PostMessageW(impl.hwnd, kIdle, static_cast<WPARAM>(request), 0);
  std::unique_lock lock(impl.mutex);
  bool idle =
      posted && impl.changed.wait_for(lock, kWait, [&] { return impl.idle_reached >= request; });
  SetLastError(saved);
  return idle;
}

void TestWindow::Hang() {
  WindowThread& impl = impl_->window;
  DWORD saved = GetLastError();
  PostMessageW(impl.hwnd, kHang, 0, 0);
  // Sends queue ahead of posts, so only once the handler blocks do they time out.
  std::unique_lock lock(impl.mutex);
  impl.changed.wait_for(lock, kWait, [&] { return impl.hung; });
  SetLastError(saved);
}

}  // namespace conformance
