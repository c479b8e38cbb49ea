// The LED service: the LEDs it has, what each can do, the settings it takes and refuses, and the
// settings it keeps from one mount to the next.
#include <gtest/gtest.h>

#include <string>

#include "device_support.h"
#include "sim/drivers/leds/leds.h"

namespace {

using device_test::DeviceTest;

NLED_SETTINGS_INFO Blink(UINT led, LONG cycle, LONG on, LONG off) {
  return {led, NLED_BLINK, cycle, on, off, 0, 0};
}

TEST_F(DeviceTest, LedSettingsTakenAndRefused) {
  auto handset = Mount("[leds]\ncount = 3\n");
  auto& leds = handset->program<sim::Leds>();
  EXPECT_EQ(leds.Count(), 3u);
  struct Case {
    NLED_SETTINGS_INFO settings;
    bool taken;
  };
  for (const Case& c : {
           Case{Blink(2, 1000000, 500000, 500000), true}, Case{Blink(2, 0, 0, 0), true},
           Case{Blink(2, 1000, 500, 600), false},  // shorter than on and off together
           Case{Blink(2, 1000, -1, 0), false}, Case{Blink(2, -1000, 0, 0), false},
           Case{{0, NLED_ON, -5, -5, -5, 0, 0}, true},  // times matter only for a blink
           Case{{1, 3, 0, 0, 0, 0, 0}, false},
           Case{{3, NLED_ON, 0, 0, 0, 0, 0}, false},  // no LED 3
       }) {
    SCOPED_TRACE(testing::Message() << "LED " << c.settings.LedNum << " mode "
                                    << c.settings.OffOnBlink << " on " << c.settings.OnTime);
    SetLastError(0);
    EXPECT_EQ(leds.Apply(c.settings), c.taken ? TRUE : FALSE);
    EXPECT_EQ(GetLastError(), c.taken ? 0u : static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  auto all = leds.AllSettings();
  EXPECT_EQ(all[0].OffOnBlink, NLED_ON);
  EXPECT_EQ(all[1].OffOnBlink, NLED_OFF);
  EXPECT_EQ(all[2].OffOnBlink, NLED_BLINK);
  EXPECT_EQ(all[2].TotalCycleTime, 0);
  auto notes = handset->journal().Entries("device");
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0].Field("does"), "blinks 500 ms on, 500 ms off, every 1000 ms");
  EXPECT_EQ(notes[0].Field("role"), "vibrator");
  EXPECT_EQ(notes[2].Field("role"), "LED");
}

TEST_F(DeviceTest, LedsSupportBlinkingWithoutMetaCycles) {
  auto handset = Mount();
  auto& leds = handset->program<sim::Leds>();
  NLED_SUPPORTS_INFO supports{};
  supports.LedNum = 1;
  leds.Supports(&supports);
  EXPECT_EQ(supports.LedNum, 1u);
  EXPECT_EQ(supports.lCycleAdjust, sim::kLedCycleAdjust);
  EXPECT_TRUE(supports.fAdjustOnTime && supports.fAdjustOffTime);
  EXPECT_FALSE(supports.fMetaCycleOn || supports.fMetaCycleOff);
  NLED_SETTINGS_INFO with_meta = Blink(1, 2000, 1000, 1000);
  with_meta.MetaCycleOn = 4;
  ASSERT_TRUE(leds.Apply(with_meta));
  NLED_SETTINGS_INFO read{};
  read.LedNum = 1;
  leds.Settings(&read);
  EXPECT_EQ(read.OnTime, 1000);
  EXPECT_EQ(read.MetaCycleOn, 0);
}

TEST_F(DeviceTest, LedSettingsOutliveTheMountAndFaultsRefuseChanges) {
  {
    auto handset = Mount();
    ASSERT_TRUE(handset->program<sim::Leds>().Apply(Blink(1, 750000, 500000, 250000)));
  }
  auto handset = Mount("[leds]\nfail_controls = \"NLedSetDevice\"\nfail_error = 5\n");
  auto& leds = handset->program<sim::Leds>();
  auto vibrator = leds.AllSettings().back();
  EXPECT_EQ(vibrator.OffOnBlink, NLED_BLINK);
  EXPECT_EQ(vibrator.OffTime, 250000);
  EXPECT_FALSE(leds.Apply({1, NLED_OFF, 0, 0, 0, 0, 0}));
  EXPECT_EQ(GetLastError(), 5u);
  EXPECT_EQ(leds.AllSettings().back().OffOnBlink, NLED_BLINK);
}

TEST_F(DeviceTest, TheVibratorSetThroughTheLedCalls) {
  auto handset = Mount();
  NLED_COUNT_INFO count{};
  ASSERT_TRUE(NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count));
  ASSERT_EQ(count.cLeds, 2u);
  NLED_SETTINGS_INFO on = Blink(count.cLeds - 1, 1000000, 500000, 500000);
  ASSERT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &on));
  NLED_SETTINGS_INFO read{};
  read.LedNum = 1;
  ASSERT_TRUE(NLedGetDeviceInfo(NLED_SETTINGS_INFO_ID, &read));
  EXPECT_EQ(read.OffOnBlink, NLED_BLINK);
  EXPECT_EQ(read.TotalCycleTime, 1000000);
  NLED_SETTINGS_INFO wrapped = Blink(1, -1294967296, 2000000000, 2000000000);  // sum wrapped
  EXPECT_FALSE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &wrapped));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(handset->program<sim::Leds>().AllSettings()[1].TotalCycleTime, 1000000);
}

TEST_F(DeviceTest, AHandsetWithoutLeds) {
  auto handset = Mount("[leds]\ncount = 0\n");
  auto& leds = handset->program<sim::Leds>();
  EXPECT_EQ(leds.Count(), 0u);
  EXPECT_FALSE(leds.Apply({0xFFFFFFFF, NLED_BLINK, 0, 0, 0, 0, 0}));
  EXPECT_EQ(leds.Summary(), "no LEDs, no vibrator");
  NLED_SETTINGS_INFO vibrator{0xFFFFFFFF, NLED_OFF, 0, 0, 0, 0, 0};
  EXPECT_FALSE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &vibrator));
}

TEST_F(DeviceTest, AHandsetWithoutTheLedService) {
  auto handset = Mount("[leds]\npresent = false\n");
  NLED_COUNT_INFO count{};
  EXPECT_FALSE(NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

}  // namespace
