// The backlight "BKL1:": the screen's backlight level and state and the ambient light sensor.
// Nothing is kept between calls: each opens the driver, makes one request and closes it.
#pragma once

#include "ce/types.h"

// Sets the backlight level, 0 to 255; FALSE for a higher level (the driver is not touched) or
// without the driver.
BOOL SetBacklightLevel(DWORD level);

// Reads the backlight level into *level; the read's result, FALSE without the driver or with a
// null output.
BOOL GetBacklightLevel(LPDWORD level);

// Switches the backlight's state; the driver's result, FALSE without the driver.
BOOL SetBacklightState(DWORD state);

// Switches the light sensor's state; the driver's result, FALSE without the driver.
BOOL SetLuxSensorState(DWORD state);

// Reads the light sensor's state into *state; the driver's result, FALSE without the driver or
// with a null output.
BOOL GetLuxSensorState(LPDWORD state);
