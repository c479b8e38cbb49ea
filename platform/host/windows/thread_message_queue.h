// One thread's message queue: what is posted and sent to the windows the thread owns and to the
// thread itself, and how the thread takes it in turn.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "ce/types.h"
#include "ce/windows.h"

namespace cehost {

class Window;

// How a sent message ended.
enum class SendOutcome { kAnswered, kTimedOut, kGone };

struct SendResult {
  SendOutcome outcome = SendOutcome::kGone;
  LRESULT answer = 0;
};

// What the owning thread got when it asked its queue for a message.
enum class Taken {
  kMessage,     // a posted message
  kQuit,        // WM_QUIT, after PostQuitMessage
  kNothing,     // nothing matched, and the thread would not wait
  kFilterGone,  // the window it asked about was destroyed
  kClosed,      // the queue was closed: its thread ended or its handset went
};

class ThreadMessageQueue {
 public:
  // A queue of the window table with that serial number, for the thread with that identifier (0:
  // a window's own thread, which no thread message reaches).
  ThreadMessageQueue(uint64_t table, DWORD thread_id);
  ThreadMessageQueue(const ThreadMessageQueue&) = delete;
  ThreadMessageQueue& operator=(const ThreadMessageQueue&) = delete;

  uint64_t table() const { return table_; }
  DWORD thread_id() const { return thread_id_; }

  // Queues a posted message for the window (null: for the thread) behind the others; false with
  // *error set when the window is destroyed (ERROR_INVALID_WINDOW_HANDLE), the queue is closed
  // (that, or ERROR_INVALID_THREAD_ID without a window) or 10,000 posts wait
  // (ERROR_NOT_ENOUGH_QUOTA). record, when given, is called with the outcome before the owning
  // thread can see the message, so that what the message causes comes after it in the journal.
  bool Post(const std::shared_ptr<Window>& window, UINT msg, WPARAM wparam, LPARAM lparam,
            DWORD* error, const std::function<void(bool)>& record);

  // Has the window's procedure answer the message on the owning thread, ahead of waiting posts,
  // and waits up to timeout_ms (INFINITE: without limit) for the answer. sender is the calling
  // thread's own queue, or null: when it is this one the procedure is called at once, and while
  // it waits, it handles what is sent to it, so that two threads may send to each other.
  SendResult Send(const std::shared_ptr<Window>& window, UINT msg, WPARAM wparam, LPARAM lparam,
                  DWORD timeout_ms, ThreadMessageQueue* sender);

  // Handles every message in turn, sent ones first, until the queue is closed: the loop of a
  // window's own thread.
  void Serve();

  // Takes the next posted message for the filter window (null: any, a thread message included)
  // whose number lies in first..last (both 0: any), after handling what was sent; WM_QUIT goes
  // after the posted messages and whatever the filter. remove takes the message off the queue,
  // wait waits for one. A post taken counts as handled when the thread asks again.
  Taken Take(MSG* out, const Window* filter, UINT first, UINT last, bool remove, bool wait);

  // Handles what is sent to the thread's windows now, without waiting and without touching the
  // posts: a thread that waits for something else (the handset server's answer) still answers
  // those who wait for it.
  void HandleSent();

  // Makes the next Take that finds no posted message answer WM_QUIT with the code.
  void Quit(int code);

  // A hung queue keeps what it is given but hands its thread nothing until it recovers.
  void SetHung(bool hung);

  // Waits until every post for the window queued before the call has been handled; false on
  // time-out or when the window or the queue goes.
  bool WaitIdle(const Window& window, DWORD timeout_ms);

  // Marks the window destroyed: its queued messages are dropped and their senders fail.
  void Drop(Window& window);

  // Drops everything queued, fails the waiting senders and wakes the owning thread, whose Serve
  // or Take returns.
  void Close();
  // Whether Close was called.
  bool closed() const;

 private:
  struct Waker;
  struct Reply;
  struct Message {
    std::shared_ptr<Window> window;
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    DWORD time;
    std::shared_ptr<Reply> reply;
  };

  bool Ready() const;
  // Takes the next message (a sent one first), runs the procedure with the lock released and
  // answers it. sent_only leaves the posts alone.
  void HandleNext(std::unique_lock<std::mutex>& lock, bool sent_only);
  // Counts the post the thread took last as handled.
  void FinishInHand();
  static SendResult Await(Reply& reply, DWORD timeout_ms, ThreadMessageQueue* sender);

  const uint64_t table_;
  const DWORD thread_id_;

  // Guards the state below (and the windows' delivery counts); its condition wakes the owning
  // thread, idle waiters and, when the owning thread is itself waiting for an answer, that wait.
  std::shared_ptr<Waker> waker_;
  std::deque<Message> sent_;
  std::deque<Message> posted_;
  std::shared_ptr<Window> in_hand_;
  bool hung_ = false;
  bool closed_ = false;
  bool quit_ = false;
  int quit_code_ = 0;
};

}  // namespace cehost
