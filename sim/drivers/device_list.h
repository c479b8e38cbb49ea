// The simulated devices of a handset, as m8sim lists them and looks them up by name.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/drivers/device.h"
#include "sim/handset.h"

namespace sim {

// The handset's devices, in the order the device manager lists them, the LED service last; of
// the WLAN devices, those of the handset's hardware variant.
std::vector<Device*> HandsetDevices(Handset& handset);

// The device of that name, compared without case and with or without its colon ("acc0",
// "ACC0:", "led"); null when the handset has none of that name.
Device* FindDevice(Handset& handset, std::string_view name);

// A device setting that cannot be made. A usage error names what was asked wrongly (a device the
// handset has none of, with the names it has; a field the device refuses); else the device is
// not present.
class DeviceSetError : public std::runtime_error {
 public:
  DeviceSetError(const std::string& message, bool usage)
      : std::runtime_error(message), usage_(usage) {}
  bool usage() const { return usage_; }

 private:
  bool usage_;
};

// The device of that name; DeviceSetError (usage) naming the handset's devices when none is.
Device& NamedDevice(Handset& handset, std::string_view name);

// Changes the named device's fields as its hardware would change (the device notifies as it does
// on the handset) and returns the device; throws DeviceSetError.
Device& SetDevice(Handset& handset, std::string_view name, const std::vector<DeviceField>& fields);

}  // namespace sim
