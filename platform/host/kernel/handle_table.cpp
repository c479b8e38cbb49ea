#include "kernel/handle_table.h"

#include <atomic>

#include "ce/errors.h"
#include "ce/kernel.h"

namespace cehost {

DWORD HandleObject::Wait(DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

BOOL HandleObject::Read(void*, DWORD, DWORD*) {
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

BOOL HandleObject::Write(const void*, DWORD, DWORD*) {
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

uint32_t HandleTable::Insert(std::shared_ptr<HandleObject> object) {
  // Values are not reused soon, in this handset or in another one made current later, so that a
  // stale handle fails instead of reaching a new object.
  static std::atomic<uint32_t> next{0x100};
  std::lock_guard lock(mutex_);
  uint32_t value;
  do {
    value = next.fetch_add(4);
    if (value >= 0x7FFFFF00u) {
      next.store(0x104);
      value = 0x100;
    }
  } while (value == 0 || objects_.count(value));
  objects_[value] = std::move(object);
  return value;
}

std::shared_ptr<HandleObject> HandleTable::Find(uint32_t value) const {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(value);
  return it == objects_.end() ? nullptr : it->second;
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
