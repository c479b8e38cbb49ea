// Requests to the shell: fixed records written into the shell request queue, fire and forget.
#pragma once

#include "ce/types.h"
#include "oem/shell.h"

// Writes the record into the shell request queue without waiting for room; nonzero when it went
// in.
BOOL WriteShellRequest(const ShellRequestRecord* record);

// Writes a request that carries only its code; TRUE when it went into the queue.
BOOL RequestShell(DWORD code);

// Writes a request made on behalf of a window, with the requester's value (codes 3 and 4) or 0;
// FALSE without writing when the requester is NULL.
BOOL RequestShellForWindow(DWORD code, HWND requester, DWORD value);

// Asks the shell to animate the named desktop icon with its two arguments; FALSE without writing
// when the name is empty or longer than the 63 characters its field holds.
BOOL AnimateDesktopIcon(LPCWSTR icon_name, DWORD first, DWORD second);

// Asks the shell to show a tip on the named desktop icon: its text (cut to 31 characters, never
// inside a character) and the 16-byte tip block (zero when none is given); FALSE without writing
// when the name is empty or longer than 63 characters.
BOOL ShowDesktopIconTip(LPCWSTR icon_name, LPCWSTR tip_text, const DWORD* tip_block);
