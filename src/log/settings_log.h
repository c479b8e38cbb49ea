// The settings event log: the library's one persistent record, the file Settings.txt in the
// folder "\Disk\Application Data\Log", in code page 936.
#pragma once

#include "ce/types.h"

// Appends the message as one line ending in CR LF, after "[y/m/d, h:m:s]: " when with_timestamp
// is nonzero. Does nothing when the log folder is missing or the file cannot be opened; a line
// longer than 511 characters is cut.
void WriteSettingsLog(LPCWSTR message, int with_timestamp);
