#include "windows/thread_message_queue.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

#include "ce/errors.h"
#include "kernel/wait_watch.h"
#include "windows/window.h"

namespace cehost {

namespace {

// Posts waiting on one queue beyond which PostMessageW refuses more.
constexpr size_t kQueuePostLimit = 10000;

// Milliseconds since the host started, as the platform stamps a message with its tick count.
DWORD TickNow() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

struct ThreadMessageQueue::Waker {
  std::mutex mutex;
  std::condition_variable cv;
};

// Where the answer to a sent message goes: the sender waits on its waker for it.
struct ThreadMessageQueue::Reply {
  explicit Reply(std::shared_ptr<Waker> sender) : waker(std::move(sender)) {}

  // Called with no queue's lock held.
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

ThreadMessageQueue::ThreadMessageQueue(uint64_t table, DWORD thread_id)
    : table_(table), thread_id_(thread_id), waker_(std::make_shared<Waker>()) {}

bool ThreadMessageQueue::Ready() const {
  return !hung_ && (!sent_.empty() || !posted_.empty());
}

void ThreadMessageQueue::HandleNext(std::unique_lock<std::mutex>& lock, bool sent_only) {
  bool posted = sent_.empty();
  if (posted && (sent_only || posted_.empty())) return;
  auto& queue = posted ? posted_ : sent_;
  Message message = std::move(queue.front());
  queue.pop_front();
  lock.unlock();
  // A message without a window has no procedure to go to. A sent one came from another thread:
  // the owning thread's own sends call the procedure directly.
  LRESULT answer = message.window
                       ? message.window->Call(message.msg, message.wparam, message.lparam, !posted)
                       : 0;
  if (message.reply) message.reply->Complete(true, answer);
  lock.lock();
  if (posted && message.window) {
    ++message.window->posts_handled_;
    waker_->cv.notify_all();
  }
}

void ThreadMessageQueue::FinishInHand() {
  if (!in_hand_) return;
  ++in_hand_->posts_handled_;
  in_hand_.reset();
  waker_->cv.notify_all();
}

bool ThreadMessageQueue::Post(const std::shared_ptr<Window>& window, UINT msg, WPARAM wparam,
                              LPARAM lparam, DWORD* error,
                              const std::function<void(bool)>& record) {
  std::lock_guard lock(waker_->mutex);
  if (window && window->gone_) {
    *error = ERROR_INVALID_WINDOW_HANDLE;
  } else if (closed_) {
    *error = window ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_THREAD_ID;
  } else {
    *error = posted_.size() >= kQueuePostLimit ? ERROR_NOT_ENOUGH_QUOTA : ERROR_SUCCESS;
  }
  if (record) record(*error == ERROR_SUCCESS);
  if (*error != ERROR_SUCCESS) return false;
  posted_.push_back(Message{window, msg, wparam, lparam, TickNow(), nullptr});
  if (window) ++window->posts_queued_;
  waker_->cv.notify_all();
  return true;
}

SendResult ThreadMessageQueue::Send(const std::shared_ptr<Window>& window, UINT msg, WPARAM wparam,
                                    LPARAM lparam, DWORD timeout_ms, ThreadMessageQueue* sender) {
  // The timeout does not apply to the owning thread: the procedure runs now.
  if (sender == this) return {SendOutcome::kAnswered, window->Call(msg, wparam, lparam)};
  auto reply = std::make_shared<Reply>(sender ? sender->waker_ : std::make_shared<Waker>());
  {
    std::lock_guard lock(waker_->mutex);
    if (closed_ || window->gone_) return {SendOutcome::kGone, 0};
    sent_.push_back(Message{window, msg, wparam, lparam, TickNow(), reply});
    waker_->cv.notify_all();
  }
  // On time-out the message stays queued: the procedure still handles it later, and its answer
  // is dropped.
  return Await(*reply, timeout_ms, sender);
}

SendResult ThreadMessageQueue::Await(Reply& reply, DWORD timeout_ms, ThreadMessageQueue* sender) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock lock(reply.waker->mutex);
  for (;;) {
    if (reply.done) {
      if (!reply.answered) return {SendOutcome::kGone, 0};
      return {SendOutcome::kAnswered, reply.answer};
    }
    // The waiting thread owns a queue, so the lock is that queue's: it answers what it is sent.
    if (sender) {
      if (sender->closed_) return {SendOutcome::kGone, 0};
      if (!sender->hung_ && !sender->sent_.empty()) {
        sender->HandleNext(lock, true);
        continue;
      }
    }
    // A thread that sends on behalf of a program that has gone stops waiting for the answer.
    if (WaitWatch::Abandoned()) return {SendOutcome::kTimedOut, 0};
    if (timeout_ms == INFINITE && !WaitWatch::Active()) {
      reply.waker->cv.wait(lock);
      continue;
    }
    auto until = timeout_ms == INFINITE ? std::chrono::steady_clock::now() + WaitWatch::kSlice
                                        : WaitWatch::NextLook(deadline);
    if (reply.waker->cv.wait_until(lock, until) == std::cv_status::timeout && !reply.done &&
        !(sender && !sender->sent_.empty()) && timeout_ms != INFINITE &&
        std::chrono::steady_clock::now() >= deadline) {
      return {SendOutcome::kTimedOut, 0};
    }
  }
}

void ThreadMessageQueue::Serve() {
  std::unique_lock lock(waker_->mutex);
  for (;;) {
    waker_->cv.wait(lock, [this] { return closed_ || Ready(); });
    if (closed_) return;
    HandleNext(lock, false);
  }
}

void ThreadMessageQueue::HandleSent() {
  std::unique_lock lock(waker_->mutex);
  while (!closed_ && !hung_ && !sent_.empty()) HandleNext(lock, true);
}

Taken ThreadMessageQueue::Take(MSG* out, const Window* filter, UINT first, UINT last, bool remove,
                               bool wait) {
  auto matches = [&](const Message& m) {
    if (filter && m.window.get() != filter) return false;
    return (first == 0 && last == 0) || (m.msg >= first && m.msg <= last);
  };
  std::unique_lock lock(waker_->mutex);
  FinishInHand();
  for (;;) {
    if (closed_) return Taken::kClosed;
    if (filter && filter->gone_) return Taken::kFilterGone;
    if (!hung_) {
      if (!sent_.empty()) {
        HandleNext(lock, true);
        continue;
      }
      auto it = std::find_if(posted_.begin(), posted_.end(), matches);
      if (it != posted_.end()) {
        *out = MSG{it->window ? it->window->hwnd() : nullptr,
                   it->msg,
                   it->wparam,
                   it->lparam,
                   it->time,
                   POINT{0, 0}};
        if (remove) {
          in_hand_ = std::move(it->window);
          posted_.erase(it);
        }
        return Taken::kMessage;
      }
      if (quit_) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quit_code_), 0, TickNow(), POINT{0, 0}};
        if (remove) quit_ = false;
        return Taken::kQuit;
      }
    }
    if (!wait) return Taken::kNothing;
    waker_->cv.wait(lock);
  }
}

void ThreadMessageQueue::Quit(int code) {
  std::lock_guard lock(waker_->mutex);
  quit_ = true;
  quit_code_ = code;
  waker_->cv.notify_all();
}

void ThreadMessageQueue::SetHung(bool hung) {
  std::lock_guard lock(waker_->mutex);
  hung_ = hung;
  waker_->cv.notify_all();
}

bool ThreadMessageQueue::WaitIdle(const Window& window, DWORD timeout_ms) {
  std::unique_lock lock(waker_->mutex);
  uint64_t target = window.posts_queued_;
  auto done = [&] { return closed_ || window.gone_ || window.posts_handled_ >= target; };
  if (timeout_ms == INFINITE) {
    waker_->cv.wait(lock, done);
  } else {
    waker_->cv.wait_for(lock, std::chrono::milliseconds(timeout_ms), done);
  }
  return !closed_ && !window.gone_ && window.posts_handled_ >= target;
}

void ThreadMessageQueue::Drop(Window& window) {
  std::deque<Message> dropped;
  {
    std::lock_guard lock(waker_->mutex);
    window.gone_ = true;
    auto of_window = [&](const Message& m) { return m.window.get() == &window; };
    std::copy_if(sent_.begin(), sent_.end(), std::back_inserter(dropped), of_window);
    std::erase_if(sent_, of_window);
    std::erase_if(posted_, of_window);
    if (in_hand_.get() == &window) in_hand_.reset();
    waker_->cv.notify_all();
  }
  for (auto& message : dropped) message.reply->Complete(false, 0);
}

void ThreadMessageQueue::Close() {
  std::deque<Message> dropped;
  std::deque<Message> posted;
  std::shared_ptr<Window> in_hand;
  {
    std::lock_guard lock(waker_->mutex);
    closed_ = true;
    dropped.swap(sent_);
    posted.swap(posted_);
    in_hand.swap(in_hand_);
    quit_ = false;
    waker_->cv.notify_all();
  }
  // The messages' windows are let go outside the lock: the last of them may hold this queue.
  for (auto& message : dropped) message.reply->Complete(false, 0);
}

bool ThreadMessageQueue::closed() const {
  std::lock_guard lock(waker_->mutex);
  return closed_;
}

}  // namespace cehost
