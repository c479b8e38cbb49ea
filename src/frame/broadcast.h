// The handset-wide broadcast message of the platform's services.
#pragma once

#include "ce/types.h"

// wParam of the broadcast when the data connection has been hung up.
#define PAL_BROADCAST_GPRS_HUNG_UP 2
// wParam of the broadcast for the flight mode.
#define PAL_BROADCAST_FLIGHT_MODE 0x00010001

// The identifier of the window message "PalBroadcastNotifyMsgName"; the same for the life of the
// system, registered again on every call.
UINT GetPalBroadcastMessage();
