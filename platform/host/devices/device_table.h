// The devices of a handset: the stream drivers installed by name, the driver libraries that
// ActivateDeviceEx loads, and the notification LED service.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/devices.h"

namespace cehost {

class RegistryStore;

// One installed driver. Handles opened on it keep it; once it is removed or replaced they fail.
struct InstalledDriver {
  DeviceListing listing;
  std::shared_ptr<StreamDriver> driver;
  // The activation handle value: 4n + 2, so never a kernel handle value (those are multiples of
  // 4) that CloseHandle would take.
  uint32_t activation = 0;
  // Its subkey under Drivers\Active ("01"); empty when it could not be written.
  std::u16string active_subkey;
  // The legacy name as UTF-8, for the journal.
  std::string name;
  std::atomic<bool> removed{false};

  // True while the driver is on the handset.
  bool present() const { return !removed.load(std::memory_order_acquire); }
};

class DeviceTable {
 public:
  // Installs the driver, replacing one of the same legacy name (whose handles then fail); lists
  // it under Drivers\Active in the registry (when there is one). Returns the new entry.
  std::shared_ptr<InstalledDriver> Install(DeviceListing listing,
                                           std::shared_ptr<StreamDriver> driver,
                                           RegistryStore* registry);
  // Installs the driver unless its legacy name is taken; null when it is.
  std::shared_ptr<InstalledDriver> InstallNew(DeviceListing listing,
                                              std::shared_ptr<StreamDriver> driver,
                                              RegistryStore* registry);
  // Removes the driver of that legacy name (case ignored) and its Drivers\Active key; null when
  // there is none.
  std::shared_ptr<InstalledDriver> Remove(std::u16string_view legacy_name, RegistryStore* registry);
  // Removes the driver of that activation handle value; null when there is none.
  std::shared_ptr<InstalledDriver> RemoveActivation(uint32_t activation, RegistryStore* registry);

  // The driver whose legacy name is that (case ignored), or null.
  std::shared_ptr<InstalledDriver> ByLegacyName(std::u16string_view legacy_name) const;
  // The driver whose device name (legacy name without its colon) is that, or null.
  std::shared_ptr<InstalledDriver> ByDeviceName(std::u16string_view device_name) const;
  // The driver whose bus name is that (case ignored), or null.
  std::shared_ptr<InstalledDriver> ByBusName(std::u16string_view bus_name) const;
  // Every installed driver, in install order.
  std::vector<std::shared_ptr<InstalledDriver>> All() const;

  // Adds or replaces the driver library of that name (case ignored).
  void InstallLibrary(std::u16string_view dll_name, DriverFactory factory);
  // The factory of the library of that name, or null.
  std::shared_ptr<const DriverFactory> Library(std::u16string_view dll_name) const;

  // Sets the LED service (null: none).
  void SetLedService(std::shared_ptr<LedService> service);
  // The LED service, or null.
  std::shared_ptr<LedService> LedServiceOf() const;

 private:
  std::shared_ptr<InstalledDriver> InstallLocked(DeviceListing listing,
                                                 std::shared_ptr<StreamDriver> driver,
                                                 RegistryStore* registry);
  std::shared_ptr<InstalledDriver> TakeLocked(size_t index, RegistryStore* registry);

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<InstalledDriver>> drivers_;
  std::map<std::u16string, std::shared_ptr<const DriverFactory>> libraries_;
  std::shared_ptr<LedService> leds_;
};

}  // namespace cehost
