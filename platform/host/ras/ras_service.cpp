#include "ras/ras_service.h"

#include "cehost/text.h"

namespace cehost {

void RasService::InstallDevice(std::u16string_view name, std::shared_ptr<RasDevice> device) {
  std::lock_guard lock(mutex_);
  if (device) {
    devices_[FoldCase(name)] = std::move(device);
  } else {
    devices_.erase(FoldCase(name));
  }
}

std::shared_ptr<RasDevice> RasService::Device(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  auto it = devices_.find(FoldCase(name));
  return it == devices_.end() ? nullptr : it->second;
}

void RasService::LockPhoneBook(bool locked) {
  std::lock_guard lock(mutex_);
  phone_book_locked_ = locked;
}

bool RasService::PhoneBookLocked() const {
  std::lock_guard lock(mutex_);
  return phone_book_locked_;
}

bool RasService::DeviceInUse(const RasDevice* device) const {
  std::lock_guard lock(mutex_);
  for (const auto& [value, connection] : connections_)
    if (connection->device() == device) return true;
  return false;
}

void RasService::Connected(std::shared_ptr<RasConnection> connection) {
  std::lock_guard lock(mutex_);
  uint32_t value = connection->handle;
  connections_[value] = std::move(connection);
}

bool RasService::Disconnect(const RasConnection& connection) {
  std::lock_guard lock(mutex_);
  return connections_.erase(connection.handle) == 1;
}

std::map<uint32_t, std::shared_ptr<RasConnection>> RasService::Connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

}  // namespace cehost
