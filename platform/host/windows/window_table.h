// The windows of one handset, the window classes its program registered, the message queues of
// the threads that own windows, its registered message names and its display driver.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "ce/types.h"
#include "cehost/windows.h"
#include "windows/display_driver.h"
#include "windows/message_names.h"
#include "windows/thread_message_queue.h"
#include "windows/window.h"
#include "windows/window_classes.h"

namespace cehost {

class WindowTable {
 public:
  WindowTable();
  // Destroys the windows that are left.
  ~WindowTable();
  WindowTable(const WindowTable&) = delete;
  WindowTable& operator=(const WindowTable&) = delete;

  // Creates a window with a thread of its own and starts it; null when spec.parent is not one
  // of these windows.
  HWND Create(const WindowSpec& spec);
  // Creates a window of the registered class whose messages the queue brings; null with *error
  // set when the class is gone (ERROR_CANNOT_FIND_WND_CLASS) or spec.parent is not a window
  // (ERROR_INVALID_WINDOW_HANDLE). given, when not null, is the handle it takes (the one the
  // handset server gave it), else the table picks one.
  HWND CreateOwned(const WindowSpec& spec, ATOM atom, std::shared_ptr<ThreadMessageQueue> queue,
                   DWORD* error, HWND given = nullptr);
  // The window of that handle, or null.
  std::shared_ptr<Window> Find(HWND hwnd) const;
  // The windows without a parent, oldest first.
  std::vector<std::shared_ptr<Window>> TopLevel() const;
  // The window and its descendants, each before its children; empty when hwnd is not a window.
  std::vector<std::shared_ptr<Window>> Family(HWND hwnd) const;
  // Destroys the window and its descendants; false when hwnd is not a window here.
  bool Destroy(HWND hwnd);
  // Destroys every window and closes every thread's queue: a thread waiting for a message wakes.
  // Windows' own threads have ended (or, for the calling one, will) on return.
  void DestroyAll();

  // The calling thread's message queue here, made when it has none and make is set; null
  // otherwise.
  std::shared_ptr<ThreadMessageQueue> ThreadQueue(bool make);
  // The queue of the thread with that identifier, when it has one here.
  std::shared_ptr<ThreadMessageQueue> QueueOfThread(DWORD thread_id) const;
  // True when the calling thread is the one whose queue serves the window.
  bool OwnedByCaller(const Window& window) const;
  // Destroys the windows the queue served, whose thread has ended, and closes it.
  void ThreadEnded(const std::shared_ptr<ThreadMessageQueue>& queue);

  // Registers a window class (see WindowClasses::Add).
  ATOM RegisterClass(const WNDCLASSW& record, DWORD* error);
  // Removes the class, by name or atom; false with *error set when there is none
  // (ERROR_CLASS_DOES_NOT_EXIST) or windows of it are left (ERROR_CLASS_HAS_WINDOWS).
  bool UnregisterClass(LPCWSTR name_or_atom, DWORD* error);
  // The class, by name or atom, when it is registered.
  std::optional<WindowClass> FindClass(LPCWSTR name_or_atom) const;

  // Tells the table apart from every other, for the threads' queues it made.
  uint64_t serial() const { return serial_; }
  MessageNames& names() { return names_; }
  DisplayDriver& display() { return display_; }

 private:
  // Adds the window under the lock, with the next free handle, and starts it.
  HWND Insert(const WindowSpec& spec, std::shared_ptr<ThreadMessageQueue> queue, bool own_thread,
              ATOM atom, uint32_t given = 0);
  // Appends the descendants of the windows already in the list, under the lock.
  void AddDescendants(std::vector<std::shared_ptr<Window>>& family) const;

  const uint64_t serial_;
  mutable std::mutex mutex_;
  // By handle value, which grows with each window: the order they were made in.
  std::map<uint32_t, std::shared_ptr<Window>> windows_;
  uint32_t last_ = 0;
  // The queues of the threads that own windows here or asked for messages.
  std::vector<std::shared_ptr<ThreadMessageQueue>> queues_;
  WindowClasses classes_;
  MessageNames names_;
  DisplayDriver display_;
};

// Lets go of a thread's queue (its thread ended, or took another): the window table it belongs
// to, when that is still there, destroys the windows it served; the queue is closed.
void ReleaseThreadQueue(const std::shared_ptr<ThreadMessageQueue>& queue);

}  // namespace cehost
