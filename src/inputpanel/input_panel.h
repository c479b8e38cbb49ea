// The input panel and screen areas: each operation passes one call through to the platform UI
// library unchanged, returning rectangles through a caller's RECT. A call that cannot reach the
// UI library (it or its function is missing), or that is given a NULL pointer to write into,
// does nothing and answers 0.
#pragma once

#include "ce/geometry.h"
#include "ce/types.h"

// Writes the work area into *rect; false, writing nothing, when it cannot.
bool CopyWorkArea(RECT* rect);
// The UI library's value of a screen parameter.
UINT GetScreenParam(UINT id);
// Writes the panel's mode into *mode; the UI library's result.
INT ReadSipMode(LPDWORD mode);
// Closes the panel.
void CloseSip();
// The A4 panel's message identifier.
UINT GetA4SipMessage();
// Writes the visible desktop rectangle into *rect; false, writing nothing, when it cannot.
bool CopyVisibleDesktop(RECT* rect);
// 1 while the panel is open, else 0.
INT IsSipOpen();
// Opens the panel and writes the rectangle it occupies into *rect; false, without opening it,
// when it cannot.
bool OpenSip(DWORD arg1, DWORD arg2, LPCWSTR text, bool with_text, RECT* rect);
// Sends the copy information to the A4 panel; the UI library's result.
INT SendCopyInfo();
// Moves the panel's window; the UI library's result.
INT SetSipPosition(DWORD pos);
