// CreateFileW's way to devices: names that the device manager answers instead of the file system.
#pragma once

#include "ce/types.h"

namespace cehost {

// Opens the device when the name is a device's: an installed driver's legacy name ("ACC0:", case
// ignored) or bus name, "\$device\ACC0" or "$device\ACC0", "\$bus\NAME" or "$bus\NAME", or any
// name of the legacy form. Sets *handle (INVALID_HANDLE_VALUE with the last error on failure) and
// returns true; false when the name is a file's.
bool OpenDevice(LPCWSTR name, DWORD access, DWORD share, HANDLE* handle);

}  // namespace cehost
