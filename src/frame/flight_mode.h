// The flight-mode flag and its broadcast to the shell and the other applications; the settings,
// telephony and WLAN families all switch it.
#pragma once

#include "ce/types.h"

// Stores "FlyModeFlag" (1 for any nonzero mode, else 0) and posts the flight-mode broadcast
// whether or not the store worked.
void SetFlyModeFlag(BYTE mode);

// Posts the flight-mode broadcast to every top-level window without waiting: lParam 3 for mode 1,
// 0 for any other mode, whether or not the post worked.
void PostFlyModeBroadcast(BYTE mode);

// True when "FlyModeFlag" reads nonzero. A flag that cannot be read (its key is made when
// missing) is stored as off, with its broadcast, and reads as off.
bool IsFlyModeOn();
