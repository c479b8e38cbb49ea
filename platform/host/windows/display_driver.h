// The handset's display driver slot: the escape handler sim installs, called by ExtEscape.
#pragma once

#include <memory>
#include <mutex>

#include "cehost/display.h"

namespace cehost {

class DisplayDriver {
 public:
  // Replaces the handler; an empty one leaves the handset without a driver.
  void Install(DisplayEscapeHandler handler);
  // True while a driver is installed.
  bool present() const;
  // The driver's answer to the escape; 0 when no driver is installed.
  int Escape(int escape, const void* in, int in_size, void* out, int out_size) const;

 private:
  mutable std::mutex mutex_;
  // Shared so that an escape in progress keeps the handler it started with.
  std::shared_ptr<const DisplayEscapeHandler> handler_;
};

}  // namespace cehost
