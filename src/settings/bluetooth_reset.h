// The Bluetooth stack's, object exchange services' and device identity's factory configuration.
#pragma once

// Writes the whole Bluetooth configuration, each key created when missing; 1 always.
int ResetBluetoothSettings();
