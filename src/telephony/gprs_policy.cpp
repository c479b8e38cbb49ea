// Whether a dial may go ahead: the user's switches, roaming and the networks already up.
#include "ce/kernel.h"
#include "frame/exports.h"
#include "frame/registry_value.h"
#include "oem/phone_adapter.h"
#include "telephony/gprs_dial.h"
#include "telephony/phone_session.h"

namespace {
constexpr const WCHAR* kSwitchKey = u"ControlPanel\\Setting\\EDGE";
}  // namespace

int HandleGprsSettingStatus(DWORD mode, BOOL window_form) {
  // Through the window-handle form, mode 4 neither overrides the switch nor the other networks.
  if (window_form && mode == 4) mode = 5;
  // Switches that cannot be read count as on.
  DWORD data_switch = 1;
  ReadRegistryDword(HKEY_CURRENT_USER, kSwitchKey, u"Switch", &data_switch);
  if (data_switch == 0 && mode != 1) {
    NKDbgPrintfW(u"Corvanta::gprs if off\r\n");
    return 0;
  }
  DWORD roaming_allowed = 1;
  ReadRegistryDword(HKEY_CURRENT_USER, kSwitchKey, u"RoamSwitch", &roaming_allowed);
  if (roaming_allowed == 0) {
    // A status the adapter does not write counts as not roaming.
    DWORD status = 0;
    bool opened = WithPhoneSession(
        [&](HPAC session) { PAC_SGetRegistrationStatus(session, 3000, &status); }, false);
    if (!opened) {
      NKDbgPrintfW(u"Corvanta::HandleGprsSettingStatus::PAC_PInitialize:is fail\r\n");
      return 0;
    }
    if (status == PAC_REGISTERED_ROAMING) {
      NKDbgPrintfW(u"Corvanta::HandleGprsSettingStatus::RIL_REGSTAT_ROAMING status return \r\n");
      return 0;
    }
  }
  if (mode == 1 || mode == 4) {
    StopGprsConnect();
    return 1;
  }
  if (QueryNetWorkStatus() == 1) return 1;
  NKDbgPrintfW(u"ConnectManager::have existing network\r\n");
  return 0;
}
