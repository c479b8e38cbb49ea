// The factory reset: every setting the library knows how to restore.
#pragma once

// Runs every reset, and writes the sound, ring tone, camera, backlight, language, power
// time-out, phone lock, battery, infrared and touch settings; 1 always.
int ResetFactorySettings();
