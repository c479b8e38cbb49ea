// Switching the handset's wireless LAN adapter on and off. Hardware version 1 has a chip whose
// stream driver the device manager loads and unloads whole; the other variant has the SDIO
// adapter "SDIO86881", switched by its power state and its binding to the network stack.
// Nothing is kept: whether the adapter is loaded lives in the device manager and the stack.
#pragma once

#include "ce/types.h"

// Switches the adapter on. Reports nothing.
void LoadWlanAdapter();

// Switches the adapter off. Reports nothing.
void UnloadWlanAdapter();

// The device manager's handle of the loaded driver listed as "NDL1:", or 0xFFFFFFFF when none is
// listed. Entries whose names do not fit the 16-character name buffer are passed over.
DWORD FindActiveDriverHandle();

// Opens "NDS0:", sends the control with the input and room for *output_size output bytes (none
// when output_size is null), closes it: the control's result, 0 when "NDS0:" cannot be opened.
BOOL CallNdisDevice(DWORD code, LPVOID input, DWORD input_size, LPVOID output, LPDWORD output_size);
