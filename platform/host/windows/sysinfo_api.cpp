// SystemParametersInfoW over the current handset's platform information record.
#include "ce/sysinfo.h"
#include "cehost/platform_info.h"
#include "handset/handset_state.h"

// Stock CE answers an OEM action that no one handles with FALSE; ERROR_INVALID_PARAMETER is the
// code cehost chose for that, and for every action it does not emulate. The record is copied as
// little-endian words, which the host's own order already is. fWinIni means nothing to a query.
extern "C" BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT) {
  if (uiAction != SPI_GETPLATFORMINFO || (!pvParam && uiParam)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!cehost::Current().platform_info.CopyTo(pvParam, uiParam)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
