// One window: its names, its visibility, its procedure and the queue that brings its messages:
// a thread of the window's own (the handset's programs' windows), or the queue of the thread
// that created it (a program's own windows, which that thread's message loop serves).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ce/types.h"
#include "ce/windows.h"
#include "cehost/windows.h"
#include "windows/thread_message_queue.h"

namespace cehost {

// True while a procedure on the calling thread handles a message another thread sent.
bool HandlingSentMessage();

class Window : public std::enable_shared_from_this<Window> {
 public:
  // A window served by the queue; own_thread: a thread of the window's own runs the queue.
  // atom is its registered class's, 0 for a window of the handset's programs.
  Window(HWND hwnd, const WindowSpec& spec, std::shared_ptr<ThreadMessageQueue> queue,
         bool own_thread, ATOM atom);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  const std::u16string& class_name() const { return class_name_; }
  const std::u16string& title() const { return title_; }
  HWND parent() const { return parent_; }
  ATOM atom() const { return atom_; }
  // The queue that brings the window's messages: its own thread's, or its creating thread's.
  const std::shared_ptr<ThreadMessageQueue>& queue() const { return queue_; }

  // Starts the window's own thread, when it has one; called once, before the window is handed
  // out.
  void Start();

  // The procedure's answer to the message, on the calling thread; sent_from_other: another
  // thread sent it, which InSendMessage tells the procedure.
  LRESULT Call(UINT msg, WPARAM wparam, LPARAM lparam, bool sent_from_other = false) const;

  // Queues a posted message behind the others on the window's queue (see ThreadMessageQueue::Post).
  bool Post(UINT msg, WPARAM wparam, LPARAM lparam, DWORD* error,
            const std::function<void(bool)>& record);

  // Has the procedure answer the message on the thread that serves the window and waits up to
  // timeout_ms for the answer; sender is the calling thread's own queue, or null (see
  // ThreadMessageQueue::Send).
  SendResult Send(UINT msg, WPARAM wparam, LPARAM lparam, DWORD timeout_ms,
                  ThreadMessageQueue* sender);

  // Applies an SW_ command and returns whether the window was visible before.
  bool Show(int cmd);
  // Whether the window is shown.
  bool visible() const { return visible_.load(); }
  // A hung window's queue keeps what it is given but hands nothing on until it recovers.
  void SetHung(bool hung) { queue_->SetHung(hung); }
  // Waits until every post queued before the call has been handled; false on time-out or when
  // the window is destroyed.
  bool WaitIdle(DWORD timeout_ms) { return queue_->WaitIdle(*this, timeout_ms); }
  // True for the first call only: DestroyWindow's guard against destroying a window twice.
  bool BeginDestroy() { return !destroying_.exchange(true); }

  // Drops the window's queued messages and fails its waiting senders. A window with its own
  // thread lets it finish the message in hand and joins it (from that thread, lets it end).
  void Stop();

 private:
  friend class ThreadMessageQueue;

  const HWND hwnd_;
  const std::u16string class_name_;
  const std::u16string title_;
  const HWND parent_;
  const WindowProc proc_;
  const ATOM atom_;
  const std::shared_ptr<ThreadMessageQueue> queue_;
  const bool own_thread_;
  std::atomic<bool> visible_;
  std::atomic<bool> destroying_{false};

  // Kept by the queue, under its lock.
  bool gone_ = false;
  uint64_t posts_queued_ = 0;
  uint64_t posts_handled_ = 0;

  std::mutex join_mutex_;
  std::thread thread_;
};

}  // namespace cehost
