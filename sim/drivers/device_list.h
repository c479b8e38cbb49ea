// The simulated devices of a handset, as m8sim lists them and looks them up by name.
#pragma once

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

}  // namespace sim
