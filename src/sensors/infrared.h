// The infrared proximity sensor "IRD1:". Nothing is kept between calls: each opens the driver
// for query only, makes its request and closes it again.
#pragma once

#include "ce/types.h"

// Subscribes the window to the sensor's notifications with the message; the driver's result,
// FALSE without the driver.
BOOL RegisterInfraredNotify(HWND window, UINT message);

// Withdraws the window's subscription; the driver's result, FALSE without the driver.
BOOL UnregisterInfraredNotify(HWND window);

// Switches the sensor's state; the driver's result, FALSE without the driver.
BOOL SetInfraredState(DWORD state);

// Reads the detection value into *detection when the driver has one waiting: the read's result;
// FALSE (with *detection 0) when it has none, FALSE without the driver or with a null output.
BOOL GetInfraredDetection(LPDWORD detection);

// Sets the sensitivity level; FALSE for a level outside 1 to 3 (the driver is not touched) or
// without the driver.
BOOL SetInfraredLevel(DWORD level);

// The sensitivity level, or 0 when the driver cannot be asked or does not answer.
DWORD GetInfraredLevel();
