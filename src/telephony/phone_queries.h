// Telephony questions answered by the phone adapter without a session.
#pragma once

#include "ce/types.h"
#include "telephony/telephony_result.h"

// Fills the IMEI and model buffers that are not null; kTelephonyDone when the last query made
// succeeded, kTelephonyRefused otherwise (both buffers null included).
LONG GetImeiAndModel(WCHAR* imei, DWORD imei_length, WCHAR* model, DWORD model_length);

// Number of missed calls; 0 when the adapter gives none.
DWORD GetMissedCallCount();

// Number of calls in progress; 0 when the adapter gives none.
DWORD GetExistingCallCount();

// Number of unread messages, asked of the adapter library loaded for the call; 0 when it or its
// entry is missing.
DWORD GetUnreadSmsCount();
