// The vibrator: the last LED of the notification LED service. Nothing is kept between calls.
#pragma once

#include "ce/types.h"

// Sets the vibrator blinking, on_ms on and off_ms off in turn. Times too long for the LED
// service's microsecond fields are held at the longest it takes (the on time first). Reports
// nothing.
void StartVibrator(DWORD on_ms, DWORD off_ms);

// Switches the vibrator off. Reports nothing.
void StopVibrator();
