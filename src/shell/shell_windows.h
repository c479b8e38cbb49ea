// Commands to the shell's own windows, found by class name on each call: private messages posted
// or sent, and the top bar shown or hidden. Nothing is kept between calls.
#pragma once

#include "ce/types.h"

// Time-outs of the commands the shell answers: 800 ms for the task bar and start-up window, 2 s
// for a change of the display settings.
#define SHELL_SEND_TIMEOUT_MS 800
#define SHELL_DISPLAY_SETTINGS_TIMEOUT_MS 2000

// Posts the message to the shell window of that class: the post's result, 0 when no such window
// exists.
BOOL PostToShellWindow(LPCWSTR class_name, UINT msg, WPARAM wparam, LPARAM lparam);

// Sends the message to the shell window of that class and waits up to timeout_ms for its answer,
// which is not kept: nonzero when it answered in time, 0 on time-out, error or without the window.
BOOL SendToShellWindow(LPCWSTR class_name, UINT msg, WPARAM wparam, LPARAM lparam, UINT timeout_ms);

// Shows or hides the shell's top bar: ShowWindow's result (whether it was visible), 0 without it.
BOOL ShowShellTopBar(bool show);

// Has the desktop (bit 0 of flags) and the lock screen (bit 1) reload their wallpaper: the result
// of the last post made, 0 when none was made.
BOOL RefreshShellWallpaper(DWORD flags);

// Has the desktop play the application-quit animation and gives it 10 ms: the post's result.
BOOL ShowAppQuitAnimation();

// Has the shell show its volume window with the two arguments: the post's result; 0, without
// looking for the window, when first is 0.
BOOL ShowVolumeWindow(DWORD first, DWORD second);
