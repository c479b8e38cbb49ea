#include "windows/display_driver.h"

#include <utility>

namespace cehost {

void DisplayDriver::Install(DisplayEscapeHandler handler) {
  std::shared_ptr<const DisplayEscapeHandler> next;
  if (handler) next = std::make_shared<const DisplayEscapeHandler>(std::move(handler));
  std::lock_guard lock(mutex_);
  handler_ = std::move(next);
}

bool DisplayDriver::present() const {
  std::lock_guard lock(mutex_);
  return handler_ != nullptr;
}

int DisplayDriver::Escape(int escape, const void* in, int in_size, void* out, int out_size) const {
  std::shared_ptr<const DisplayEscapeHandler> handler;
  {
    std::lock_guard lock(mutex_);
    handler = handler_;
  }
  return handler ? (*handler)(escape, in, in_size, out, out_size) : 0;
}

}  // namespace cehost
