// The USB function controller: found by its device class through the device manager and opened
// by its bus name for one request at a time.
#pragma once

#include "ce/types.h"
#include "oem/drivers.h"

// Opens the controller of the device class for reading (others may read it too); the handle,
// or INVALID_HANDLE_VALUE when no device of the class is listed or it cannot be opened. When
// found is given it tells which of the two it was. Prints nothing.
HANDLE OpenUsbFnController(const GUID& device_class = kUsbFnControllerClass, bool* found = nullptr);
