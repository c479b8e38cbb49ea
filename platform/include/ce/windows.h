// Windows and their messages: registered message names, finding, posting, sending and showing.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<uintptr_t>(0xFFFF)))

#define WM_SETTINGCHANGE 0x001A
#define WM_USER 0x0400

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWNA 8

#define SMTO_NORMAL 0x0000

extern "C" {

// An identifier in 0xC000..0xFFFF for the message name, the same for every caller and every
// spelling of the name in any case while the handset lives; 0 and the last error on failure.
UINT RegisterWindowMessageW(LPCWSTR lpString);

// The top-level window whose class and title match without regard to case (a null one matches
// any); NULL when there is none.
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);

// Queues the message on the window (on every top-level window for HWND_BROADCAST) and returns at
// once; FALSE and the last error when it cannot.
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Has the window's procedure handle the message on the window's thread and waits up to uTimeout
// milliseconds for its answer; nonzero with *lpdwResult set when answered, 0 and the last error
// (ERROR_TIMEOUT on time-out) otherwise.
LRESULT SendMessageTimeoutW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                            UINT uTimeout, PDWORD_PTR lpdwResult);

// Shows or hides the window; returns nonzero when it was visible before the call.
BOOL ShowWindow(HWND hWnd, int nCmdShow);

// A device context for drawing on the window (NULL: the whole screen), released with ReleaseDC;
// NULL on failure.
HDC GetDC(HWND hWnd);

// Releases a device context GetDC gave for the window: 1 when released, 0 when not.
int ReleaseDC(HWND hWnd, HDC hDC);

// Hands an escape to the display driver behind the device context, with its input and output
// bytes: > 0 done, 0 the driver does not implement it, < 0 an error.
int ExtEscape(HDC hdc, int nEscape, int cbInput, LPCSTR lpszInData, int cbOutput, LPSTR lpszOutData);

}  // extern "C"

#define SendMessageTimeout SendMessageTimeoutW
