// The accelerometer "ACC0:": one handle shared by the whole process and counted by its opens,
// and the "AccMessage" window message the driver is given to notify with.
#pragma once

#include "ce/types.h"

// Opens the device when no open is outstanding, or counts one more open; TRUE when it is open.
// The first open after the device was closed registers the message and gives it to the driver.
BOOL OpenAccelerometer();

// Takes back one open; the last one closes the device and forgets the message.
void CloseAccelerometer();

// The message while the device is open; 0 with last error ERROR_SERVICE_NOT_ACTIVE when not.
UINT GetAccelerometerMessage();

// The accelerometer's axes.
enum class AccAxis { kX, kY, kZ };

// Reads one axis into *value (0 when the read fails); the read's result, FALSE when the device
// is not open or value is null (nothing is asked of the driver then).
BOOL ReadAccelerometerAxis(AccAxis axis, signed char* value);

// Reads the three axes in one request (zeros when it fails); the read's result, FALSE when the
// device is not open or an output is null.
BOOL ReadAccelerometerAxes(signed char* x, signed char* y, signed char* z);
