// The input method's options reset.
#pragma once

// Writes the input method's factory options and sets its "VIVADOV_SETTING" event, so that a
// running input method reloads them; 1 always.
int ResetKeyBoard();
