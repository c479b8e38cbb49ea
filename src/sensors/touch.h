// The touch panel "TCH0:": one handle the touch calls share, opened on demand and kept open
// until a subscription is withdrawn; and the driver's setting word, which the factory reset
// reads and writes through handles of its own.
#pragma once

#include "ce/types.h"

// Subscribes with three words the driver interprets; the driver's result, FALSE without it.
BOOL RegisterTouchNotify(DWORD first, DWORD second, DWORD third);

// Withdraws the subscriber's subscription and closes the shared handle whatever the driver
// answered; the driver's result, FALSE without it.
BOOL UnregisterTouchNotify(DWORD subscriber);

// Reads one raw sample of 24 bytes into sample, whose first word is set to 24 first; the
// driver's result, FALSE without it or with a null sample (nothing is asked of the driver then).
BOOL ReadTouchRawData(void* sample);

// The driver's setting word; 0 when the driver cannot be opened or does not answer.
DWORD GetTouchDriverSetting();

// Writes the driver's setting word; the driver's result, FALSE without it.
BOOL SetTouchDriverSetting(DWORD setting);
