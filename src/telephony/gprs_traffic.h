// GPRS attachment and the running totals of GPRS traffic.
#pragma once

#include "ce/types.h"

// Attaches to or detaches from GPRS; 1 done, 0 refused by the adapter, 3 no session.
int SetGprsAttachState(BOOL attach);

// Reads the adapter's traffic counters and sets them to zero (the reset is made even when the
// read fails); 1 with the counts stored, 0 with the outputs untouched.
int ReadAndResetTrafficCount(DWORD* received, DWORD* sent);

// Adds the traffic since the last reset to the registry totals and returns the new totals;
// 1 done, 3 when a pointer is null.
int Dial_GetGprsReceiveAndSendData(DWORD* received_total, DWORD* sent_total);
