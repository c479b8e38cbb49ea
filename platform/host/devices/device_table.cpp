#include "devices/device_table.h"

#include <atomic>

#include "cehost/text.h"
#include "devices/active_keys.h"
#include "devices/device_names.h"

namespace cehost {

namespace {

uint32_t NextActivation() {
  // Shared by every handset of the process, so that a stale activation handle of an earlier
  // handset does not name a driver of the current one.
  static std::atomic<uint32_t> next{0x10002};
  return next.fetch_add(4);
}

}  // namespace

std::shared_ptr<InstalledDriver> DeviceTable::InstallLocked(DeviceListing listing,
                                                            std::shared_ptr<StreamDriver> driver,
                                                            RegistryStore* registry) {
  auto entry = std::make_shared<InstalledDriver>();
  entry->name = ToUtf8(listing.legacy_name);
  entry->listing = std::move(listing);
  entry->driver = std::move(driver);
  entry->activation = NextActivation();
  if (registry) {
    entry->active_subkey = AddActiveKey(*registry, entry->listing.legacy_name, entry->activation,
                                        entry->listing.device_key);
  }
  drivers_.push_back(entry);
  return entry;
}

std::shared_ptr<InstalledDriver> DeviceTable::TakeLocked(size_t index, RegistryStore* registry) {
  auto entry = std::move(drivers_[index]);
  drivers_.erase(drivers_.begin() + static_cast<ptrdiff_t>(index));
  entry->removed.store(true, std::memory_order_release);
  if (registry && !entry->active_subkey.empty()) RemoveActiveKey(*registry, entry->active_subkey);
  return entry;
}

std::shared_ptr<InstalledDriver> DeviceTable::Install(DeviceListing listing,
                                                      std::shared_ptr<StreamDriver> driver,
                                                      RegistryStore* registry) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < drivers_.size(); ++i) {
    if (EqualsIgnoreCase(drivers_[i]->listing.legacy_name, listing.legacy_name)) {
      TakeLocked(i, registry);
      break;
    }
  }
  return InstallLocked(std::move(listing), std::move(driver), registry);
}

std::shared_ptr<InstalledDriver> DeviceTable::InstallNew(DeviceListing listing,
                                                         std::shared_ptr<StreamDriver> driver,
                                                         RegistryStore* registry) {
  std::lock_guard lock(mutex_);
  for (const auto& entry : drivers_) {
    if (EqualsIgnoreCase(entry->listing.legacy_name, listing.legacy_name)) return nullptr;
  }
  return InstallLocked(std::move(listing), std::move(driver), registry);
}

std::shared_ptr<InstalledDriver> DeviceTable::Remove(std::u16string_view legacy_name,
                                                     RegistryStore* registry) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < drivers_.size(); ++i) {
    if (EqualsIgnoreCase(drivers_[i]->listing.legacy_name, legacy_name)) {
      return TakeLocked(i, registry);
    }
  }
  return nullptr;
}

std::shared_ptr<InstalledDriver> DeviceTable::RemoveActivation(uint32_t activation,
                                                               RegistryStore* registry) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < drivers_.size(); ++i) {
    if (drivers_[i]->activation == activation) return TakeLocked(i, registry);
  }
  return nullptr;
}

std::shared_ptr<InstalledDriver> DeviceTable::ByLegacyName(std::u16string_view legacy_name) const {
  std::lock_guard lock(mutex_);
  for (const auto& entry : drivers_) {
    if (EqualsIgnoreCase(entry->listing.legacy_name, legacy_name)) return entry;
  }
  return nullptr;
}

std::shared_ptr<InstalledDriver> DeviceTable::ByDeviceName(std::u16string_view device_name) const {
  std::lock_guard lock(mutex_);
  for (const auto& entry : drivers_) {
    if (EqualsIgnoreCase(DeviceNameOf(entry->listing.legacy_name), device_name)) return entry;
  }
  return nullptr;
}

std::shared_ptr<InstalledDriver> DeviceTable::ByBusName(std::u16string_view bus_name) const {
  std::lock_guard lock(mutex_);
  for (const auto& entry : drivers_) {
    if (!entry->listing.bus_name.empty() && EqualsIgnoreCase(entry->listing.bus_name, bus_name)) {
      return entry;
    }
  }
  return nullptr;
}

std::vector<std::shared_ptr<InstalledDriver>> DeviceTable::All() const {
  std::lock_guard lock(mutex_);
  return drivers_;
}

void DeviceTable::InstallLibrary(std::u16string_view dll_name, DriverFactory factory) {
  std::lock_guard lock(mutex_);
  libraries_[FoldCase(dll_name)] = std::make_shared<const DriverFactory>(std::move(factory));
}

std::shared_ptr<const DriverFactory> DeviceTable::Library(std::u16string_view dll_name) const {
  std::lock_guard lock(mutex_);
  auto it = libraries_.find(FoldCase(dll_name));
  return it == libraries_.end() ? nullptr : it->second;
}

void DeviceTable::SetLedService(std::shared_ptr<LedService> service) {
  std::lock_guard lock(mutex_);
  leds_ = std::move(service);
}

std::shared_ptr<LedService> DeviceTable::LedServiceOf() const {
  std::lock_guard lock(mutex_);
  return leds_;
}

}  // namespace cehost
