// One window: its names, its visibility and the thread that handles its messages in turn.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ce/types.h"
#include "cehost/windows.h"

namespace cehost {

// How a sent message ended.
enum class SendOutcome { kAnswered, kTimedOut, kGone };

struct SendResult {
  SendOutcome outcome = SendOutcome::kGone;
  LRESULT answer = 0;
};

class Window : public std::enable_shared_from_this<Window> {
 public:
  Window(HWND hwnd, const WindowSpec& spec);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  const std::u16string& class_name() const { return class_name_; }
  const std::u16string& title() const { return title_; }
  HWND parent() const { return parent_; }

  // Starts the window's thread; called once, before the window is handed out.
  void Start();

  // Queues a posted message behind the others; false with *error set when the window is being
  // destroyed (ERROR_INVALID_WINDOW_HANDLE) or 10,000 posts are waiting (ERROR_NOT_ENOUGH_QUOTA).
  // record, when given, is called with the outcome before the window's thread can see the
  // message, so that what the message causes comes after it in the journal.
  bool Post(UINT msg, WPARAM wparam, LPARAM lparam, DWORD* error,
            const std::function<void(bool)>& record);

  // Has the procedure answer the message on the window's thread, ahead of waiting posts, and
  // waits up to timeout_ms (INFINITE: without limit) for the answer. From the window's own
  // thread the procedure is called directly. A window thread that waits handles the messages
  // sent to its own window meanwhile, so two windows may send to each other.
  SendResult Send(UINT msg, WPARAM wparam, LPARAM lparam, DWORD timeout_ms);

  // Applies an SW_ command and returns whether the window was visible before.
  bool Show(int cmd);
  // Whether the window is shown.
  bool visible() const;
  // A hung window keeps what it is sent but handles nothing until it recovers.
  void SetHung(bool hung);
  // Waits until every post queued before the call has been handled; false on time-out or when
  // the window is destroyed.
  bool WaitIdle(DWORD timeout_ms);

  // Drops the queued messages, fails the waiting senders, lets the thread finish the message in
  // hand and joins it (from the window's own thread, lets it end by itself).
  void Stop();

 private:
  struct Waker;
  struct Reply;
  struct Message {
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    std::shared_ptr<Reply> reply;
  };

  void Run();
  bool Ready() const;
  // Takes the next message (a sent one first), runs the procedure with the lock released, and
  // answers it. sent_only leaves the posts alone.
  void HandleNext(std::unique_lock<std::mutex>& lock, bool sent_only);
  LRESULT Call(const Message& message);
  static SendResult Await(Reply& reply, DWORD timeout_ms, Window* self);

  const HWND hwnd_;
  const std::u16string class_name_;
  const std::u16string title_;
  const HWND parent_;
  const WindowProc proc_;

  // Guards the state below; its condition wakes the window's thread, idle waiters and, when the
  // window's thread is itself waiting for an answer, that wait.
  std::shared_ptr<Waker> waker_;
  std::deque<Message> sent_;
  std::deque<Message> posted_;
  bool visible_;
  bool hung_ = false;
  bool stopping_ = false;
  uint64_t posts_queued_ = 0;
  uint64_t posts_handled_ = 0;

  std::mutex join_mutex_;
  std::thread thread_;
};

}  // namespace cehost
