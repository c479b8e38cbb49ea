// Control-panel applets: libraries whose entry "CPlApplet" answers numbered messages.
#pragma once

#include "ce/types.h"

// The entry of a control-panel applet: the applet's answer to one message and its two arguments.
typedef LONG (*APPLET_PROC)(HWND hwndCPl, UINT msg, LPARAM lParam1, LPARAM lParam2);
