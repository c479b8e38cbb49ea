// Whether a dial may go ahead: the user's switches, roaming and the networks already up.
#include "ce/kernel.h"
#include "frame/registry_value.h"
#include "oem/phone_adapter.h"
#include "telephony/gprs_dial.h"
#include "telephony/network_status.h"
#include "telephony/phone_session.h"

namespace {
constexpr const WCHAR* kSwitchKey = u"ControlPanel\\Setting\\EDGE";
}  // namespace

bool HandleGprsSettingStatus(DWORD mode, BOOL window_form) {
  // Through the window-handle form, mode 4 neither overrides the switch nor the other networks.
  if (window_form && mode == 4) mode = 5;
  // Switches that cannot be read count as on.
  DWORD data_switch = 1;
  ReadRegistryDword(HKEY_CURRENT_USER, kSwitchKey, u"Switch", &data_switch);
  if (data_switch == 0 && mode != 1) {
    NKDbgPrintfW(u"Corvanta::gprs if off\r\n");
    return false;
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
      return false;
    }
    if (status == PAC_REGISTERED_ROAMING) {
      NKDbgPrintfW(u"Corvanta::HandleGprsSettingStatus::RIL_REGSTAT_ROAMING status return \r\n");
      return false;
    }
  }
  if (mode == 1 || mode == 4) {
    StopGprsConnect();
    return true;
  }
  if (GetNetworkStatus() == kNoNetwork) return true;
  NKDbgPrintfW(u"ConnectManager::have existing network\r\n");
  return false;
}
