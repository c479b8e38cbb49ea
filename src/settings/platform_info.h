// What the platform information record says about the hardware.
#pragma once

#include "ce/types.h"

// The hardware version number, word 6 of the record; 0 when the platform does not answer.
DWORD GetHardwareVersionNumber();

// 1 when the record's Wi-Fi absence flag (word 8) is 0, as it reads when the platform does not
// answer; 0 otherwise.
INT IsWifiAvailable();
