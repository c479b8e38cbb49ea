// The system's idle time-out on battery, as the power manager keeps it in the registry.
#pragma once

#include "ce/types.h"

// What GetSystemIdleTimeout answers when the setting cannot be read.
inline constexpr DWORD kIdleTimeoutUnknown = 0xFFFFFFFFu;

// The battery suspend time-out in milliseconds; kIdleTimeoutUnknown when the key or the value
// cannot be read. A setting too long to count in 32-bit milliseconds gives the longest time-out
// that can be, one below kIdleTimeoutUnknown.
DWORD GetSystemIdleTimeout();
