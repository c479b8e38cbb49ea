// SystemParametersInfoW over the current handset's platform information record.
#include "ce/sysinfo.h"
#include "cehost/platform_info.h"
#include "handset/handset_state.h"
#include "windows/remote_display.h"

// Stock CE answers an OEM action that no one handles with FALSE; ERROR_INVALID_PARAMETER is the
// code cehost chose for that, and for every action it does not emulate. The record is copied as
// little-endian words, which the host's own order already is. fWinIni means nothing to a query.
extern "C" BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT) {
  if (uiAction != SPI_GETPLATFORMINFO || (!pvParam && uiParam)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  cehost::HandsetState& state = cehost::Current();
  const cehost::PlatformInfoRecord* record = &state.platform_info;
  // An attached program reads the record its server's handset was given.
  cehost::PlatformInfoRecord served;
  if (state.server) {
    auto words = cehost::RemotePlatformInfo(*state.server);
    if (words)
      served.Set(std::move(*words));
    else
      served.Clear();
    record = &served;
  }
  if (!record->CopyTo(pvParam, uiParam)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
