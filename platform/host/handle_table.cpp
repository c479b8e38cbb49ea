#include "handle_table.h"

namespace cehost {

uint32_t HandleTable::Insert(std::shared_ptr<HandleObject> object) {
  std::lock_guard lock(mutex_);
  // Values are not reused soon, so that a stale handle fails instead of reaching a new object.
  for (;;) {
    next_ += 4;
    if (next_ >= 0x7FFFFF00u) next_ = 0x100;
    if (!objects_.count(next_)) break;
  }
  objects_[next_] = std::move(object);
  return next_;
}

std::shared_ptr<HandleObject> HandleTable::Find(uint32_t value, HandleKind kind) const {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(value);
  if (it == objects_.end() || it->second->kind() != kind) return nullptr;
  return it->second;
}

std::shared_ptr<HandleObject> HandleTable::Remove(uint32_t value, HandleKind kind) {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(value);
  if (it == objects_.end() || it->second->kind() != kind) return nullptr;
  auto object = std::move(it->second);
  objects_.erase(it);
  return object;
}

bool HandleTable::KindOf(uint32_t value, HandleKind* kind) const {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(value);
  if (it == objects_.end()) return false;
  *kind = it->second->kind();
  return true;
}

size_t HandleTable::Count() const {
  std::lock_guard lock(mutex_);
  return objects_.size();
}

uint32_t HandleTable::ValueOf(const void* handle) {
  auto raw = reinterpret_cast<uintptr_t>(handle);
  if (raw == 0 || raw > 0x7FFFFFFFu) return 0;
  return static_cast<uint32_t>(raw);
}

}  // namespace cehost
