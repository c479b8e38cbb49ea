#include "sensors/vibrator.h"

#include <algorithm>
#include <cstdint>

#include "ce/nled.h"

namespace {

// The longest time an LED setting can hold, in microseconds (its fields are signed 32-bit).
constexpr uint64_t kLongestUs = INT32_MAX;

// The vibrator's LED number: the last LED. With no LEDs (or no answer) it is 0 - 1, which the
// LED service refuses.
UINT VibratorLed() {
  NLED_COUNT_INFO count = {};
  if (!NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count)) count.cLeds = 0;
  return count.cLeds - 1;
}

void SetVibrator(INT state, uint64_t on_us, uint64_t off_us) {
  NLED_SETTINGS_INFO settings = {};
  settings.LedNum = VibratorLed();
  settings.OffOnBlink = state;
  // Times are held within the fields: a wrapped time would be a short or negative one, which
  // is not what was asked for.
  on_us = std::min(on_us, kLongestUs);
  off_us = std::min(off_us, kLongestUs - on_us);
  settings.TotalCycleTime = static_cast<LONG>(on_us + off_us);
  settings.OnTime = static_cast<LONG>(on_us);
  settings.OffTime = static_cast<LONG>(off_us);
  settings.MetaCycleOn = 0;
  settings.MetaCycleOff = 0;
  NLedSetDevice(NLED_SETTINGS_INFO_ID, &settings);
}

}  // namespace

void StartVibrator(DWORD on_ms, DWORD off_ms) {
  SetVibrator(NLED_BLINK, uint64_t{on_ms} * 1000, uint64_t{off_ms} * 1000);
}

void StopVibrator() {
  SetVibrator(NLED_OFF, 0, 0);
}
