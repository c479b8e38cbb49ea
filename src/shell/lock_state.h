// The phone lock as the shell reports it to applications.
#pragma once

// True when the shell's lock state in the registry says the phone is locked; false when it says
// unlocked or cannot be read.
bool IsPhoneLocked();
