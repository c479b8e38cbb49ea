#include "files/storage_limit.h"

#include <algorithm>

#include "files/file_system.h"
#include "handset/handset_state.h"

namespace cehost {

void StorageLimit::Set(std::optional<uint64_t> bytes) {
  std::lock_guard lock(mutex_);
  free_ = bytes;
}

std::optional<uint64_t> StorageLimit::Free() const {
  std::lock_guard lock(mutex_);
  return free_;
}

bool StorageLimit::HasRoom() const {
  std::lock_guard lock(mutex_);
  return !free_ || *free_ > 0;
}

uint64_t StorageLimit::Grow(uint64_t size, uint64_t end) {
  std::lock_guard lock(mutex_);
  if (!free_ || end <= size) return end;
  uint64_t taken = std::min(end - size, *free_);
  *free_ -= taken;
  return size + taken;
}

bool StorageLimit::TakeAll(uint64_t bytes) {
  std::lock_guard lock(mutex_);
  if (!free_) return true;
  if (bytes > *free_) return false;
  *free_ -= bytes;
  return true;
}

void StorageLimit::GiveBack(uint64_t bytes) {
  std::lock_guard lock(mutex_);
  if (free_) *free_ += bytes;
}

void SetFreeStorage(std::optional<uint64_t> bytes) {
  HandsetState& state = Current();
  if (state.files) state.files->storage().Set(bytes);
}

std::optional<uint64_t> FreeStorage() {
  HandsetState& state = Current();
  return state.files ? state.files->storage().Free() : std::nullopt;
}

}  // namespace cehost
