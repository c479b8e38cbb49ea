// The power-managed devices of a handset that are not stream drivers (network adapters), and the
// names SetDevicePower takes: "{class-guid}\name", or a bare name of the generic class.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/devices.h"

namespace cehost {

// True when the two GUIDs are the same.
bool SameGuid(const GUID& a, const GUID& b);

// Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits of either case); false when the
// text is not exactly that.
bool ParseGuid(std::u16string_view text, GUID* out);

// A power name split into its class and device name.
struct PowerName {
  GUID power_class = kGenericPowerClass;
  std::u16string_view name;
};

// Splits "{class}\name" (a name with no class prefix is in the generic class); false for a
// prefix that is not a GUID, or an empty device name.
bool SplitPowerName(std::u16string_view text, PowerName* out);

class PowerDeviceTable {
 public:
  // Adds the device under its class and name, replacing one of the same class and name (case
  // ignored).
  void Install(const GUID& power_class, std::u16string name,
               std::shared_ptr<PowerManagedDevice> device);
  // Removes the device of that class and name; false when there is none.
  bool Remove(const GUID& power_class, std::u16string_view name);
  // The device of that class and name (case ignored), or null.
  std::shared_ptr<PowerManagedDevice> Find(const GUID& power_class, std::u16string_view name) const;

 private:
  struct Entry {
    GUID power_class;
    std::u16string name;
    std::shared_ptr<PowerManagedDevice> device;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace cehost
