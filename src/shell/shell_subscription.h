// Subscribing windows to the shell's event messages, and the identifiers of those messages.
#pragma once

#include "ce/types.h"
#include "oem/shell.h"

// Writes a register (or, with register_window false, an unregister) record for the window and
// value into the shell notify queue, one writer at a time; nonzero when the record went in.
BOOL WriteShellNotifyRecord(HWND window, DWORD value, bool register_window);

// The identifier of the event's registered window message, the one the shell sends; 0 while the
// name cannot be registered.
UINT GetShellEventMessage(ShellEvent event);
