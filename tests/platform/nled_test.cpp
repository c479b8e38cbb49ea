#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "ce/errors.h"
#include "ce/kernel.h"
#include "ce/nled.h"
#include "cehost/devices.h"
#include "cehost/journal.h"
#include "handset_fixture.h"

namespace {

// Two LEDs; the second (the vibrator) cannot blink and refuses it.
class TwoLeds : public cehost::LedService {
 public:
  UINT Count() const override { return 2; }
  void Supports(NLED_SUPPORTS_INFO* info) const override {
    info->lCycleAdjust = info->LedNum == 0 ? 1000 : 0;
  }
  void Settings(NLED_SETTINGS_INFO* info) const override { *info = applied[info->LedNum]; }
  BOOL Apply(const NLED_SETTINGS_INFO& settings) override {
    if (settings.LedNum == 1 && settings.OffOnBlink == NLED_BLINK) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    applied[settings.LedNum] = settings;
    return TRUE;
  }
  NLED_SETTINGS_INFO applied[2] = {{0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0}};
};

using NledTest = BareHandsetTest;

TEST_F(NledTest, CallsFailWithoutAService) {
  NLED_COUNT_INFO count{7};
  SetLastError(0);
  EXPECT_FALSE(NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  NLED_SETTINGS_INFO settings{0, NLED_ON, 0, 0, 0, 0, 0};
  EXPECT_FALSE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &settings));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(handset().journal().Entries("led.set").empty());
}

TEST_F(NledTest, InfoAndSettingsAreCheckedAndJournaled) {
  auto leds = std::make_shared<TwoLeds>();
  cehost::InstallLedService(leds);
  NLED_COUNT_INFO count{};
  ASSERT_TRUE(NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count));
  EXPECT_EQ(count.cLeds, 2u);
  NLED_SUPPORTS_INFO supports{};
  supports.LedNum = 0;
  ASSERT_TRUE(NLedGetDeviceInfo(NLED_SUPPORTS_INFO_ID, &supports));
  EXPECT_EQ(supports.lCycleAdjust, 1000);

  NLED_SETTINGS_INFO vibrate{1, NLED_ON, 0, 0, 0, 0, 0};
  ASSERT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &vibrate));
  NLED_SETTINGS_INFO read{};
  read.LedNum = 1;
  ASSERT_TRUE(NLedGetDeviceInfo(NLED_SETTINGS_INFO_ID, &read));
  EXPECT_EQ(read.OffOnBlink, NLED_ON);

  // Only settings of an LED the handset has reach the service; every setting is journaled.
  NLED_SETTINGS_INFO beyond{2, NLED_ON, 0, 0, 0, 0, 0};
  NLED_SETTINGS_INFO blink{1, NLED_BLINK, 500000, 250000, 250000, 0, 0};
  std::function<BOOL()> refused[] = {
      [&] { return NLedGetDeviceInfo(NLED_SETTINGS_INFO_ID, &beyond); },
      [&] { return NLedGetDeviceInfo(3, &count); },
      [&] { return NLedGetDeviceInfo(NLED_COUNT_INFO_ID, nullptr); },
      [&] { return NLedSetDevice(NLED_SETTINGS_INFO_ID, &beyond); },
      [&] { return NLedSetDevice(NLED_SUPPORTS_INFO_ID, &vibrate); },
      [&] { return NLedSetDevice(NLED_SETTINGS_INFO_ID, nullptr); },
      [&] { return NLedSetDevice(NLED_SETTINGS_INFO_ID, &blink); },
  };
  for (size_t i = 0; i < std::size(refused); ++i) {
    SCOPED_TRACE(i);
    SetLastError(0);
    EXPECT_FALSE(refused[i]());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(leds->applied[1].OffOnBlink, NLED_ON);

  auto set = handset().journal().Entries("led.set");
  ASSERT_EQ(set.size(), 3u);
  EXPECT_EQ(set[0].Field("led"), "1");
  EXPECT_EQ(set[0].Field("state"), "1");
  EXPECT_EQ(set[0].Field("result"), "1");
  EXPECT_EQ(set[1].Field("led"), "2");
  EXPECT_EQ(set[1].Field("result"), "0");
  EXPECT_EQ(set[1].Field("error"), "87");
  EXPECT_EQ(set[2].Field("state"), "2");
  EXPECT_EQ(set[2].Field("on"), "250000");
  EXPECT_EQ(set[2].Field("total"), "500000");
  EXPECT_EQ(set[2].Field("result"), "0");
  EXPECT_EQ(set[2].Field("error"), "87");
}

}  // namespace
