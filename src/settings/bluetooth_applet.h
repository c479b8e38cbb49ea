// The Bluetooth radio's power and device name, set through the platform's control-panel applet
// "BluetoothCPL.dll", loaded for each call.
#pragma once

#include "ce/types.h"

// Asks the applet to switch the radio on or off (on passed as given); the applet's result, 0 when
// the applet or its entry is missing (each traced).
INT SwitchBluetoothPower(INT on);

// Asks the applet to set the device name; the applet's result, 0 for a null name, a name longer
// than 50 characters, or a missing applet or entry (not traced).
INT UpdateBluetoothName(LPCWSTR name);
