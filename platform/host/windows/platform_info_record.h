// A handset's platform information record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "cehost/platform_info.h"

namespace cehost {

class PlatformInfoRecord {
 public:
  // Replaces the record's words.
  void Set(std::vector<uint32_t> words) {
    std::lock_guard lock(mutex_);
    words_ = std::move(words);
  }
  // Leaves the handset without a record.
  void Clear() {
    std::lock_guard lock(mutex_);
    words_.reset();
  }
  // The record's words; nullopt when the handset has no record.
  std::optional<std::vector<uint32_t>> Words() const {
    std::lock_guard lock(mutex_);
    return words_;
  }
  // Copies up to size bytes of the record to out; false when the handset has no record.
  bool CopyTo(void* out, size_t size) const;

 private:
  mutable std::mutex mutex_;
  // The record's words; empty when the handset does not answer.
  std::optional<std::vector<uint32_t>> words_ = DefaultPlatformInfo();
};

}  // namespace cehost
