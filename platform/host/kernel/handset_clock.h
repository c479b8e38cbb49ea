// The handset's clock: the host's local time, unless a test or tool pinned it.
#pragma once

#include <mutex>
#include <optional>

#include "ce/types.h"

namespace cehost {

class HandsetClock {
 public:
  // Pins the local time to the value; null lets the clock follow the host's again.
  void Pin(const SYSTEMTIME* time) {
    std::lock_guard lock(mutex_);
    pinned_ = time ? std::optional<SYSTEMTIME>(*time) : std::nullopt;
  }
  // The pinned time, when the clock is pinned.
  std::optional<SYSTEMTIME> Pinned() const {
    std::lock_guard lock(mutex_);
    return pinned_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<SYSTEMTIME> pinned_;
};

}  // namespace cehost
