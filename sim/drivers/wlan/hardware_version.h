// The hardware version of the current handset, as its platform information record says: which
// of the two WLAN chips the handset is built with.
#pragma once

#include <cstdint>

namespace sim {

// Word 6 of the current handset's platform information record; 0 when it answers none.
uint32_t HardwareVersion();

// True when the current handset is built with the SWLD24SP1 chip on the serial bus (hardware
// version 1); any other version has the SDIO86881 network adapter.
bool HasSerialWlanChip();

}  // namespace sim
