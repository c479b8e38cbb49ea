// The operator identifier: the first five digits of the SIM's IMSI as a number (46000).
#pragma once

#include "ce/types.h"
#include "telephony/telephony_result.h"

// Stores the identifier through sub_id; kTelephonyDone, or kTelephonyRefused when sub_id is null.
// A SIM the adapter cannot report gives 0 (or the value of its leading digits), still done.
LONG Dial_GetOperatorIdentifier(DWORD* sub_id);
