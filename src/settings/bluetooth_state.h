// Whether the handset has Bluetooth and whether its radio is on, as the registry says.
#pragma once

#include "ce/types.h"

// 1 when "PowerOn" is nonzero; 0 when it, or its key, is missing or unreadable.
INT IsBluetoothOn();

// 1 when the display settings' "BTAvailable" and their "main\04" entry's "Flag" are both nonzero;
// 0 when either is zero, missing or unreadable. Neither key is created.
INT IsBluetoothAvailable();
