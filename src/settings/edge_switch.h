// The mobile-data (EDGE) switch.
#pragma once

// True when the switch is on. A switch that cannot be read (missing, or longer than 4 bytes) is
// written as REG_DWORD 0 and reads as off; false too when its key can be neither made nor opened.
bool GetEdgeState();
