// The windows of one handset, its registered message names and its display driver.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "ce/types.h"
#include "cehost/windows.h"
#include "windows/display_driver.h"
#include "windows/message_names.h"
#include "windows/window.h"

namespace cehost {

class WindowTable {
 public:
  WindowTable();
  // Destroys the windows that are left.
  ~WindowTable();
  WindowTable(const WindowTable&) = delete;
  WindowTable& operator=(const WindowTable&) = delete;

  // Creates a window and starts its thread; null when spec.parent is not one of these windows.
  HWND Create(const WindowSpec& spec);
  // The window of that handle, or null.
  std::shared_ptr<Window> Find(HWND hwnd) const;
  // The windows without a parent, oldest first.
  std::vector<std::shared_ptr<Window>> TopLevel() const;
  // Destroys the window and its descendants; false when hwnd is not a window here.
  bool Destroy(HWND hwnd);
  // Destroys every window; their threads have ended (or, for the calling one, will) on return.
  void DestroyAll();

  MessageNames& names() { return names_; }
  DisplayDriver& display() { return display_; }

 private:
  mutable std::mutex mutex_;
  // By handle value, which grows with each window: the order they were made in.
  std::map<uint32_t, std::shared_ptr<Window>> windows_;
  uint32_t last_ = 0;
  MessageNames names_;
  DisplayDriver display_;
};

}  // namespace cehost
