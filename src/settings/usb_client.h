// Choosing the USB function client driver that the handset presents to a computer: the one in
// force now and the one loaded by default, by name, through the USB function controller.
#pragma once

#include "ce/types.h"
#include "oem/drivers.h"

// Makes the named client (empty when name is null) the one in force, and reads it back for the
// debug trace. 0 when the controller cannot be found or opened, the name does not fit a client
// name record (over 127 characters: refused, never cut) or the change is refused; otherwise the
// result of the read-back.
BOOL USBChangeCurrentDriver(LPCWSTR name);

// Fills the caller's record with the default client; the controller's result, 0 when it cannot
// be found or opened.
BOOL USBGetDefaultDriver(UFN_CLIENT_INFO* info);

// Makes the named client the default; the change's result (a failed read-back only changes the
// trace), 0 when the controller cannot be found or opened or the name does not fit.
BOOL USBChangeDefaultDriver(LPCWSTR name);
