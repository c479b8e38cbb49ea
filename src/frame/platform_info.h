// What the platform information record says about the hardware; the telephony, WLAN and settings
// families ask it.
#pragma once

#include "ce/types.h"

// The hardware version number, word 6 of the record; 0 when the platform does not answer. 1 and 2
// select the hardware variants.
DWORD GetHardwareVersionNumber();

// True when the record's Wi-Fi absence flag (word 8) is 0, as it reads when the platform does not
// answer.
bool IsWifiAvailable();
