#include "windows/window.h"

#include <utility>

#include "windows/thread_queue.h"

namespace cehost {

Window::Window(HWND hwnd, const WindowSpec& spec, std::shared_ptr<ThreadMessageQueue> queue,
               bool own_thread, ATOM atom)
    : hwnd_(hwnd),
      class_name_(spec.class_name),
      title_(spec.title),
      parent_(spec.parent),
      proc_(spec.proc),
      atom_(atom),
      queue_(std::move(queue)),
      own_thread_(own_thread),
      visible_(spec.visible) {}

Window::~Window() {
  // Only reached once the thread has ended or been let go; never leave it joinable.
  if (thread_.joinable()) thread_.detach();
}

void Window::Start() {
  if (!own_thread_) return;
  // The thread keeps the window alive until it ends. Its queue is the thread's, so that what
  // the procedure sends or creates goes through it as on any thread that owns windows.
  thread_ = std::thread([self = shared_from_this()] {
    AdoptQueue(self->queue_);
    self->queue_->Serve();
  });
}

namespace {

// Whether the procedure call in hand on this thread handles a message another thread sent; a
// call made meanwhile (a nested one) has its own say, and the outer one's is restored after.
thread_local bool t_handling_sent = false;

}  // namespace

bool HandlingSentMessage() {
  return t_handling_sent;
}

LRESULT Window::Call(UINT msg, WPARAM wparam, LPARAM lparam, bool sent_from_other) const {
  if (!proc_) return 0;
  bool outer = std::exchange(t_handling_sent, sent_from_other);
  LRESULT answer = proc_(hwnd_, msg, wparam, lparam);
  t_handling_sent = outer;
  return answer;
}

bool Window::Post(UINT msg, WPARAM wparam, LPARAM lparam, DWORD* error,
                  const std::function<void(bool)>& record) {
  return queue_->Post(shared_from_this(), msg, wparam, lparam, error, record);
}

SendResult Window::Send(UINT msg, WPARAM wparam, LPARAM lparam, DWORD timeout_ms,
                        ThreadMessageQueue* sender) {
  return queue_->Send(shared_from_this(), msg, wparam, lparam, timeout_ms, sender);
}

bool Window::Show(int cmd) {
  switch (cmd) {
    case SW_HIDE:
      return visible_.exchange(false);
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_SHOWNA:
      return visible_.exchange(true);
    default:
      // CE knows only the four commands above; cehost leaves the window as it is for any other.
      return visible_.load();
  }
}

void Window::Stop() {
  queue_->Drop(*this);
  if (!own_thread_) return;
  queue_->Close();
  std::lock_guard join_lock(join_mutex_);
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

}  // namespace cehost
