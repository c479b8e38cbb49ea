// NLedGetDeviceInfo, NLedSetDevice: the notification LEDs (the vibrator among them).
#include <string>

#include "ce/errors.h"
#include "ce/nled.h"
#include "devices/device_journal.h"
#include "devices/remote_device.h"
#include "handset/handset_state.h"

using namespace cehost;

namespace {

BOOL Refuse(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

// A handset without an LED service fails every call with ERROR_NOT_SUPPORTED, before the
// arguments are looked at; then a null record, an unknown identifier or an LED number beyond the
// count fail with ERROR_INVALID_PARAMETER.
extern "C" BOOL NLedGetDeviceInfo(UINT nInfoId, void* pOutput) {
  if (auto& server = Current().server) return RemoteLedInfo(*server, nInfoId, pOutput);
  auto leds = Current().devices.LedServiceOf();
  if (!leds) return Refuse(ERROR_NOT_SUPPORTED);
  if (!pOutput) return Refuse(ERROR_INVALID_PARAMETER);
  switch (nInfoId) {
    case NLED_COUNT_INFO_ID:
      static_cast<NLED_COUNT_INFO*>(pOutput)->cLeds = leds->Count();
      return TRUE;
    case NLED_SUPPORTS_INFO_ID: {
      auto info = static_cast<NLED_SUPPORTS_INFO*>(pOutput);
      if (info->LedNum >= leds->Count()) return Refuse(ERROR_INVALID_PARAMETER);
      leds->Supports(info);
      return TRUE;
    }
    case NLED_SETTINGS_INFO_ID: {
      auto info = static_cast<NLED_SETTINGS_INFO*>(pOutput);
      if (info->LedNum >= leds->Count()) return Refuse(ERROR_INVALID_PARAMETER);
      leds->Settings(info);
      return TRUE;
    }
    default:
      return Refuse(ERROR_INVALID_PARAMETER);
  }
}

// Checked as NLedGetDeviceInfo is. Every setting of an LED is journaled with its result: one the
// service takes, one it refuses and one for an LED the handset does not have.
extern "C" BOOL NLedSetDevice(UINT nDeviceId, void* pInput) {
  HandsetState& state = Current();
  if (state.server) return RemoteLedSet(*state.server, nDeviceId, pInput);
  auto leds = state.devices.LedServiceOf();
  if (!leds) return Refuse(ERROR_NOT_SUPPORTED);
  if (nDeviceId != NLED_SETTINGS_INFO_ID || !pInput) return Refuse(ERROR_INVALID_PARAMETER);
  const auto& settings = *static_cast<const NLED_SETTINGS_INFO*>(pInput);
  BOOL result = FALSE;
  DWORD error = ERROR_INVALID_PARAMETER;
  if (settings.LedNum < leds->Count()) {
    result = leds->Apply(settings);
    error = result ? 0 : GetLastError();
  }
  std::vector<std::pair<std::string, std::string>> fields = {
      {"led", std::to_string(settings.LedNum)},
      {"state", std::to_string(settings.OffOnBlink)},
      {"total", std::to_string(settings.TotalCycleTime)},
      {"on", std::to_string(settings.OnTime)},
      {"off", std::to_string(settings.OffTime)},
      {"meta_on", std::to_string(settings.MetaCycleOn)},
      {"meta_off", std::to_string(settings.MetaCycleOff)},
      {"result", result ? "1" : "0"}};
  if (!result) fields.emplace_back("error", std::to_string(error));
  RecordEffect(state.journal, EffectKind::kLedSet, std::move(fields));
  if (!result) SetLastError(error);
  return result;
}
