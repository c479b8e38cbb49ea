// System parameters: the platform's settings and the records it answers with.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

// The handset's platform information record, an action the platform reserves for its own use.
#define SPI_GETPLATFORMINFO 224
// Asks a setting action to persist the change; a query ignores it.
#define SPIF_UPDATEINIFILE 0x0001

extern "C" {

// Answers one system parameter action. For SPI_GETPLATFORMINFO, uiParam is the number of bytes
// asked for and pvParam the buffer: the first min(uiParam, record size) bytes of the handset's
// record are copied and the rest of the buffer is left as it was. FALSE and
// ERROR_INVALID_PARAMETER for any other action, a null buffer, or a handset without a record.
BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni);

}  // extern "C"
