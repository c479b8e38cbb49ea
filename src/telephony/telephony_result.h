// The results of the telephony operations, as the telephony exports hand them to their callers.
#pragma once

#include "ce/types.h"

// The operation was done.
constexpr LONG kTelephonyDone = 1;
// The operation was refused, or failed.
constexpr LONG kTelephonyRefused = 3;
// The phone adapter refused the request (SetGprsAttachState alone tells it from a session that
// could not be opened, which is kTelephonyRefused).
constexpr LONG kTelephonyAdapterRefused = 0;
