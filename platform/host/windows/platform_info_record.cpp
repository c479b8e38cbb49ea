#include "windows/platform_info_record.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace cehost {

bool PlatformInfoRecord::CopyTo(void* out, size_t size) const {
  // The record's words are little-endian, which the host's own order already is.
  static_assert(std::endian::native == std::endian::little);
  std::lock_guard lock(mutex_);
  if (!words_) return false;
  size = std::min(size, words_->size() * sizeof(uint32_t));
  if (size) std::memcpy(out, words_->data(), size);
  return true;
}

}  // namespace cehost
