// The network settings reset: flight mode off, the data switches, the access point profile
// files, the whole Bluetooth configuration and the Wi-Fi setting.
#pragma once

// Resets the network settings; 1 always.
int ResetNetSettings();
