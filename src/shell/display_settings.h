// Whether the display driver accepts changes of the display settings, switched with its escapes
// on the screen's device context.
#pragma once

#include "ce/types.h"

// Has the display driver accept (or refuse) display-setting changes: TRUE when its escape
// answered above 0; FALSE when it answered 0 or less, or there is no screen device context.
BOOL AcceptDisplaySettingChanges(bool accept);
