// The notification LED service as Windows CE documents it: NLedGetDeviceInfo for the count, what
// an LED can do and its settings (the caller fills LedNum), and NLedSetDevice, which takes only
// NLED_SETTINGS_INFO. The library drives the vibrator as one of these LEDs, and reads a failed
// count as "no LED". Desktop Win32 has no NLED service, so every check is CE-only; they put their
// own LED service on the handset, so the Win32 build leaves this file out.
#include <memory>
#include <mutex>

#include "ce/nled.h"
#include "cehost/devices.h"
#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;

// Two LEDs: 0 blinks with a granularity of 1000 us, 1 (a vibrator) only goes on and off.
class TwoLeds : public cehost::LedService {
 public:
  UINT Count() const override { return 2; }
  void Supports(NLED_SUPPORTS_INFO* info) const override {
    bool blinks = info->LedNum == 0;
    info->lCycleAdjust = blinks ? 1000 : 0;
    info->fAdjustTotalCycleTime = blinks;
    info->fAdjustOnTime = blinks;
    info->fAdjustOffTime = blinks;
  }
  void Settings(NLED_SETTINGS_INFO* info) const override {
    std::lock_guard lock(mutex_);
    UINT led = info->LedNum;
    *info = settings_[led];
    info->LedNum = led;
  }
  BOOL Apply(const NLED_SETTINGS_INFO& settings) override {
    if (settings.OffOnBlink < NLED_OFF || settings.OffOnBlink > NLED_BLINK ||
        (settings.LedNum == 1 && settings.OffOnBlink == NLED_BLINK)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    std::lock_guard lock(mutex_);
    settings_[settings.LedNum] = settings;
    return TRUE;
  }

 private:
  mutable std::mutex mutex_;
  NLED_SETTINGS_INFO settings_[2] = {};
};

NLED_SETTINGS_INFO Settings(UINT led, INT state, LONG on = 0, LONG off = 0) {
  NLED_SETTINGS_INFO settings{};
  settings.LedNum = led;
  settings.OffOnBlink = state;
  settings.TotalCycleTime = on + off;
  settings.OnTime = on;
  settings.OffTime = off;
  return settings;
}

// The count, what each LED can do (asked by the LedNum the caller fills) and its settings, which
// read back as NLedSetDevice applied them, blink times in microseconds included.
CE_ONLY_CASE(nled, leds_are_counted_described_and_set) {
  cehost::InstallLedService(std::make_shared<TwoLeds>());
  NLED_COUNT_INFO count{};
  EXPECT_SAME(NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count), TRUE);
  EXPECT_SAME(count.cLeds, UINT{2});

  NLED_SUPPORTS_INFO supports{};
  supports.LedNum = 1;
  EXPECT_SAME(NLedGetDeviceInfo(NLED_SUPPORTS_INFO_ID, &supports), TRUE);
  EXPECT_SAME(supports.LedNum, UINT{1});
  EXPECT_SAME(supports.lCycleAdjust, LONG{0});
  supports.LedNum = 0;
  EXPECT_SAME(NLedGetDeviceInfo(NLED_SUPPORTS_INFO_ID, &supports), TRUE);
  EXPECT_SAME(supports.lCycleAdjust, LONG{1000});

  NLED_SETTINGS_INFO blink = Settings(0, NLED_BLINK, 250000, 750000);
  EXPECT_SAME(NLedSetDevice(NLED_SETTINGS_INFO_ID, &blink), TRUE);
  NLED_SETTINGS_INFO vibrate = Settings(1, NLED_ON);
  EXPECT_SAME(NLedSetDevice(NLED_SETTINGS_INFO_ID, &vibrate), TRUE);
  NLED_SETTINGS_INFO read{};
  read.LedNum = 0;
  EXPECT_SAME(NLedGetDeviceInfo(NLED_SETTINGS_INFO_ID, &read), TRUE);
  EXPECT_SAME(read.OffOnBlink, INT{NLED_BLINK});
  EXPECT_SAME(read.TotalCycleTime, LONG{1000000});
  EXPECT_SAME(read.OffTime, LONG{750000});
  read = NLED_SETTINGS_INFO{};
  read.LedNum = 1;
  EXPECT_SAME(NLedGetDeviceInfo(NLED_SETTINGS_INFO_ID, &read), TRUE);
  EXPECT_SAME(read.LedNum, UINT{1});
  EXPECT_SAME(read.OffOnBlink, INT{NLED_ON});
}

struct RefusedRow {
  const char* what;
  BOOL result;
  DWORD expected_error;
};

// What the service refuses, each FALSE with the last error: an LED past the count, an identifier
// NLedSetDevice does not take, a value the LED refuses; with no LED service at all, every call
// (the count included) fails with ERROR_NOT_SUPPORTED.
CE_ONLY_CASE(nled, refusals_set_the_last_error) {
  cehost::InstallLedService(std::make_shared<TwoLeds>());
  NLED_SUPPORTS_INFO supports{};
  supports.LedNum = 2;
  NLED_SETTINGS_INFO past_count = Settings(2, NLED_ON);
  NLED_SETTINGS_INFO on = Settings(0, NLED_ON);
  NLED_SETTINGS_INFO bad_state = Settings(0, 3);
  NLED_COUNT_INFO count{};
  auto call = [](BOOL result) { return RefusedRow{"", result, result ? 0 : GetLastError()}; };
  struct Case {
    const char* what;
    RefusedRow observed;
    DWORD error;
  };
  SetLastError(kSentinel);
  const Case cases[] = {
      {"supports past the count", call(NLedGetDeviceInfo(NLED_SUPPORTS_INFO_ID, &supports)),
       ERROR_INVALID_PARAMETER},
      {"set past the count", call(NLedSetDevice(NLED_SETTINGS_INFO_ID, &past_count)),
       ERROR_INVALID_PARAMETER},
      {"set with the count's identifier", call(NLedSetDevice(NLED_COUNT_INFO_ID, &on)),
       ERROR_INVALID_PARAMETER},
      {"value the LED refuses", call(NLedSetDevice(NLED_SETTINGS_INFO_ID, &bad_state)),
       ERROR_INVALID_PARAMETER},
      {"unknown information", call(NLedGetDeviceInfo(7, &count)), ERROR_INVALID_PARAMETER},
  };
  for (const Case& row : cases) {
    EXPECT_ROW(row.what, row.observed.result, FALSE);
    EXPECT_ROW(row.what, row.observed.expected_error, row.error);
  }

  cehost::InstallLedService(nullptr);
  SetLastError(kSentinel);
  EXPECT_SAME(NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count), FALSE);
  EXPECT_LAST_ERROR(ERROR_NOT_SUPPORTED);
  SetLastError(kSentinel);
  EXPECT_SAME(NLedSetDevice(NLED_SETTINGS_INFO_ID, &on), FALSE);
  EXPECT_LAST_ERROR(ERROR_NOT_SUPPORTED);
}

}  // namespace
