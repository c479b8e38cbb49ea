#include "windows/window.h"

#include <chrono>

#include "ce/errors.h"
#include "ce/windows.h"

namespace cehost {

namespace {

// The window whose thread this is; null on every other thread.
thread_local Window* t_window = nullptr;

// Posts waiting on one window beyond which PostMessageW refuses more.
constexpr size_t kPostLimit = 10000;

}  // namespace

struct Window::Waker {
  std::mutex mutex;
  std::condition_variable cv;
};

// Where the answer to a sent message goes: the sender waits on its waker for it.
struct Window::Reply {
  explicit Reply(std::shared_ptr<Waker> sender) : waker(std::move(sender)) {}

  // Called with no window's lock held.
  void Complete(bool was_answered, LRESULT value) {
    std::lock_guard lock(waker->mutex);
    done = true;
    answered = was_answered;
    answer = value;
    waker->cv.notify_all();
  }

  std::shared_ptr<Waker> waker;
  bool done = false;
  bool answered = false;
  LRESULT answer = 0;
};

Window::Window(HWND hwnd, const WindowSpec& spec)
    : hwnd_(hwnd),
      class_name_(spec.class_name),
      title_(spec.title),
      parent_(spec.parent),
      proc_(spec.proc),
      waker_(std::make_shared<Waker>()),
      visible_(spec.visible) {}

Window::~Window() {
  // Only reached once the thread has ended or been let go; never leave it joinable.
  if (thread_.joinable()) thread_.detach();
}

void Window::Start() {
  // The thread keeps the window alive until it ends.
  thread_ = std::thread([self = shared_from_this()] { self->Run(); });
}

void Window::Run() {
  t_window = this;
  std::unique_lock lock(waker_->mutex);
  for (;;) {
    waker_->cv.wait(lock, [this] { return stopping_ || Ready(); });
    if (stopping_) break;
    HandleNext(lock, false);
  }
  t_window = nullptr;
}

bool Window::Ready() const {
  return !hung_ && (!sent_.empty() || !posted_.empty());
}

LRESULT Window::Call(const Message& message) {
  return proc_ ? proc_(hwnd_, message.msg, message.wparam, message.lparam) : 0;
}

void Window::HandleNext(std::unique_lock<std::mutex>& lock, bool sent_only) {
  bool posted = sent_.empty();
  if (posted && sent_only) return;
  auto& queue = posted ? posted_ : sent_;
  Message message = std::move(queue.front());
  queue.pop_front();
  lock.unlock();
  LRESULT answer = Call(message);
  if (message.reply) message.reply->Complete(true, answer);
  lock.lock();
  if (posted) {
    ++posts_handled_;
    waker_->cv.notify_all();
  }
}

bool Window::Post(UINT msg, WPARAM wparam, LPARAM lparam, DWORD* error,
                  const std::function<void(bool)>& record) {
  std::lock_guard lock(waker_->mutex);
  *error = stopping_                      ? ERROR_INVALID_WINDOW_HANDLE
           : posted_.size() >= kPostLimit ? ERROR_NOT_ENOUGH_QUOTA
                                          : ERROR_SUCCESS;
  if (record) record(*error == ERROR_SUCCESS);
  if (*error != ERROR_SUCCESS) return false;
  posted_.push_back(Message{msg, wparam, lparam, nullptr});
  ++posts_queued_;
  waker_->cv.notify_all();
  return true;
}

SendResult Window::Send(UINT msg, WPARAM wparam, LPARAM lparam, DWORD timeout_ms) {
  Message message{msg, wparam, lparam, nullptr};
  // The timeout does not apply to a window's own thread: the procedure runs now.
  if (t_window == this) return {SendOutcome::kAnswered, Call(message)};
  Window* self = t_window;
  message.reply = std::make_shared<Reply>(self ? self->waker_ : std::make_shared<Waker>());
  auto reply = message.reply;
  {
    std::lock_guard lock(waker_->mutex);
    if (stopping_) return {SendOutcome::kGone, 0};
    sent_.push_back(std::move(message));
    waker_->cv.notify_all();
  }
  // On time-out the message stays queued: the procedure still handles it later, and its answer
  // is dropped.
  return Await(*reply, timeout_ms, self);
}

SendResult Window::Await(Reply& reply, DWORD timeout_ms, Window* self) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock lock(reply.waker->mutex);
  for (;;) {
    if (reply.done) {
      if (!reply.answered) return {SendOutcome::kGone, 0};
      return {SendOutcome::kAnswered, reply.answer};
    }
    // The waiting thread is a window's, so the lock is that window's: it answers what it is sent.
    if (self) {
      if (self->stopping_) return {SendOutcome::kGone, 0};
      if (!self->hung_ && !self->sent_.empty()) {
        self->HandleNext(lock, true);
        continue;
      }
    }
    if (timeout_ms == INFINITE) {
      reply.waker->cv.wait(lock);
    } else if (reply.waker->cv.wait_until(lock, deadline) == std::cv_status::timeout &&
               !reply.done && !(self && !self->sent_.empty())) {
      return {SendOutcome::kTimedOut, 0};
    }
  }
}

bool Window::Show(int cmd) {
  std::lock_guard lock(waker_->mutex);
  bool was_visible = visible_;
  switch (cmd) {
    case SW_HIDE:
      visible_ = false;
      break;
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_SHOWNA:
      visible_ = true;
      break;
    default:
      // CE knows only the four commands above; cehost leaves the window as it is for any other.
      break;
  }
  return was_visible;
}

bool Window::visible() const {
  std::lock_guard lock(waker_->mutex);
  return visible_;
}

void Window::SetHung(bool hung) {
  std::lock_guard lock(waker_->mutex);
  hung_ = hung;
  waker_->cv.notify_all();
}

bool Window::WaitIdle(DWORD timeout_ms) {
  std::unique_lock lock(waker_->mutex);
  uint64_t target = posts_queued_;
  auto done = [&] { return stopping_ || posts_handled_ >= target; };
  if (timeout_ms == INFINITE) {
    waker_->cv.wait(lock, done);
  } else {
    waker_->cv.wait_for(lock, std::chrono::milliseconds(timeout_ms), done);
  }
  return !stopping_ && posts_handled_ >= target;
}

void Window::Stop() {
  std::deque<Message> dropped;
  {
    std::lock_guard lock(waker_->mutex);
    stopping_ = true;
    dropped.swap(sent_);
    posted_.clear();
    waker_->cv.notify_all();
  }
  for (auto& message : dropped) message.reply->Complete(false, 0);
  std::lock_guard join_lock(join_mutex_);
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

}  // namespace cehost
