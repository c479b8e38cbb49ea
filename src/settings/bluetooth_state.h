// Whether the handset has Bluetooth and whether its radio is on, as the registry says.
#pragma once

// True when "PowerOn" is nonzero; false when it, or its key, is missing or unreadable.
bool IsBluetoothOn();

// True when the display settings' "BTAvailable" and their "main\04" entry's "Flag" are both
// nonzero; false when either is zero, missing or unreadable. Neither key is created.
bool IsBluetoothAvailable();
