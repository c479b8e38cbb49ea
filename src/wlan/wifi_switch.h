// The user's Wi-Fi switch and the factory Wi-Fi test switch, and bringing the adapter to the
// state they ask for. While flight mode is on nothing touches the adapter.
#pragma once

#include "ce/types.h"

// Switches the adapter on (enable) or off; true always.
bool EnableWlan(bool enable);

// 1 when flight mode is off and the user's Wi-Fi switch is exactly 1; else 0.
BOOL IsLoadWifi();

// Brings the adapter to the user's choice, or launches the Wi-Fi test program when the test
// switch is on. Reports nothing.
void ShellPostWlan();
