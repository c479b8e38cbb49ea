// GPRS attachment and the running totals of GPRS traffic.
#pragma once

#include "ce/types.h"
#include "telephony/telephony_result.h"

// Attaches to or detaches from GPRS; kTelephonyDone, kTelephonyAdapterRefused, or kTelephonyRefused
// when no session could be opened.
LONG SetGprsAttachState(BOOL attach);

// Reads the adapter's traffic counters and sets them to zero (the reset is made even when the
// read fails); true with the counts stored, false with the outputs untouched.
bool ReadAndResetTrafficCount(DWORD* received, DWORD* sent);

// Adds the traffic since the last reset to the registry totals and returns the new totals;
// kTelephonyDone, or kTelephonyRefused when a pointer is null.
LONG Dial_GetGprsReceiveAndSendData(DWORD* received_total, DWORD* sent_total);
