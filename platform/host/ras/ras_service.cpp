#include "ras/ras_service.h"

#include <algorithm>

#include "cehost/text.h"

namespace cehost {

namespace {

// What each device holds: the entry names of its connections.
using HeldConnections =
    std::vector<std::pair<std::shared_ptr<RasDevice>, std::vector<std::u16string>>>;

// Takes the connection's entry name off what its device holds; false when the device holds no
// such connection, or is no longer installed.
bool Claim(HeldConnections& held, const RasConnection& connection) {
  for (auto& [device, names] : held) {
    if (device.get() != connection.device()) continue;
    auto name = std::find(names.begin(), names.end(), connection.entry_name());
    if (name == names.end()) return false;
    names.erase(name);
    return true;
  }
  return false;
}

}  // namespace

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

void RasService::Connected(std::shared_ptr<RasConnection> connection) {
  std::lock_guard lock(mutex_);
  uint32_t value = connection->handle;
  connections_[value] = std::move(connection);
}

bool RasService::IsUp(uint32_t handle) const {
  std::lock_guard lock(mutex_);
  return connections_.count(handle) == 1;
}

bool RasService::Disconnect(const RasConnection& connection) {
  std::lock_guard lock(mutex_);
  return connections_.erase(connection.handle) == 1;
}

std::map<uint32_t, std::shared_ptr<RasConnection>> RasService::Connections(HandleTable& handles) {
  std::vector<std::shared_ptr<RasDevice>> devices;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [name, device] : devices_)
      if (std::find(devices.begin(), devices.end(), device) == devices.end())
        devices.push_back(device);
  }
  // The devices are asked without the lock: what they hold may take a while to learn.
  HeldConnections held;
  for (const auto& device : devices) held.emplace_back(device, device->Connections());

  std::lock_guard lock(mutex_);
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (Claim(held, *it->second))
      ++it;
    else
      it = connections_.erase(it);
  }
  for (auto& [device, names] : held) {
    for (auto& name : names) {
      auto adopted = std::make_shared<RasConnection>(std::move(name), device);
      adopted->handle = handles.Insert(adopted);
      connections_[adopted->handle] = adopted;
    }
  }
  return connections_;
}

}  // namespace cehost
