// The Wi-Fi interface of the current handset as the WLAN hardware brings it up and takes it
// down: the IP helper's tables list it while it is up, and the journal records each change
// (kind "device": the device that did it, event "interface up" or "interface down").
#pragma once

#include <string>
#include <string_view>

#include "sim/network/network.h"

namespace sim {

// Lists the chip's Wi-Fi interface with that address, and records it for the device.
void BringWifiUp(std::string_view device, WifiChip chip, const std::string& address);

// Takes the Wi-Fi interface off the tables, and records it for the device.
void TakeWifiDown(std::string_view device, WifiChip chip);

// True while the current handset lists a Wi-Fi interface of that chip.
bool WifiIsUp(WifiChip chip);

}  // namespace sim
