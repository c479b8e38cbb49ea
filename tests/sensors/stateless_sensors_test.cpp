// The per-call sensor exports against the simulated handset: the infrared sensor, the backlight
// and light sensor, the idle time-out and the vibrator. Each call opens its device, makes one
// request and closes it; level checks come before any open.
#include <gtest/gtest.h>

#include <cstdint>

#include "ce/registry.h"
#include "device_support.h"
#include "frame/exports.h"
#include "registry_helpers.h"
#include "sim/drivers/backlight/backlight.h"
#include "sim/drivers/infrared/infrared.h"
#include "sim/drivers/leds/leds.h"

namespace {

using device_test::Sent;

using StatelessSensorsTest = device_test::DeviceTest;

TEST_F(StatelessSensorsTest, InfraredLevelsOutsideOneToThreeNeverReachTheDriver) {
  Start();
  auto& driver = handset().program<sim::Infrared>();
  for (DWORD level : {0u, 4u, 0xFFFFFFFFu}) EXPECT_EQ(IRSensorSetIRSensorLevel(level), 0) << level;
  EXPECT_EQ(Opens("IRD1:"), 0u);
  for (DWORD level : {1u, 3u, 2u}) {
    EXPECT_EQ(IRSensorSetIRSensorLevel(level), 1) << level;
    EXPECT_EQ(driver.State().level, level);
    EXPECT_EQ(IRSensorGetIRSensorLevel(), level);
  }
  // Each call opened the sensor for query only, alone, and closed it.
  EXPECT_EQ(OpenAccess("IRD1:"), std::vector<std::string>(6, "0x00000000"));
  EXPECT_EQ(Closes("IRD1:"), 6u);
  // A level the driver cannot give reads as 0.
  driver.faults().FailControl("IOCTL_IRD_GET_LEVEL");
  EXPECT_EQ(IRSensorGetIRSensorLevel(), 0u);
}

TEST_F(StatelessSensorsTest, InfraredSubscribersAreWindowAndMessage) {
  Start();
  HWND window = reinterpret_cast<HWND>(uintptr_t{0x1234});
  EXPECT_EQ(IRSensorRegisterIRSensorNotify(window, 0xC123), 1);
  ASSERT_EQ(handset().program<sim::Infrared>().State().subscribers.size(), 1u);
  EXPECT_EQ(IRSensorUnRegisterIRSensorNotify(window), 1);
  EXPECT_TRUE(handset().program<sim::Infrared>().State().subscribers.empty());
  // The withdrawal sends the window and a zero word.
  EXPECT_EQ(Controls("IRD1:"), (std::vector<Sent>{{"IOCTL_IRD_REGISTER", "3412000023c10000"},
                                                  {"IOCTL_IRD_UNREGISTER", "3412000000000000"}}));
  // The driver's own refusal comes back as it is.
  EXPECT_EQ(IRSensorUnRegisterIRSensorNotify(window), 0);
  EXPECT_EQ(IRSensorSetIRSensorState(0), 1);
  EXPECT_EQ(handset().program<sim::Infrared>().State().state, 0u);
}

TEST_F(StatelessSensorsTest, InfraredDetectionIsReadOnlyWhenOneWaits) {
  Start();
  auto& driver = handset().program<sim::Infrared>();
  driver.SetDetection(1);
  DWORD detection = 7;
  EXPECT_EQ(IRSensorGetIRSensorDetection(&detection), 1);
  EXPECT_EQ(detection, 1u);
  EXPECT_EQ(Entries("device.read").size(), 1u);

  // Switched off, the sensor has no value waiting: 0 in the caller's word, no read, closed.
  driver.SetSensorState(0);
  ClearJournal();
  detection = 7;
  EXPECT_EQ(IRSensorGetIRSensorDetection(&detection), 0);
  EXPECT_EQ(detection, 0u);
  EXPECT_TRUE(Entries("device.read").empty());
  EXPECT_EQ(Closes("IRD1:"), 1u);

  // No output: the driver is not opened at all.
  EXPECT_EQ(IRSensorGetIRSensorDetection(nullptr), 0);
  EXPECT_EQ(Opens("IRD1:"), 1u);
}

TEST_F(StatelessSensorsTest, BacklightCallsOpenWithTheirOwnAccess) {
  Start();
  auto& driver = handset().program<sim::Backlight>();
  EXPECT_EQ(SetBackLightLevelEx(256), 0);
  EXPECT_EQ(Opens("BKL1:"), 0u);
  EXPECT_EQ(SetBackLightLevelEx(255), 1);
  ASSERT_EQ(Entries("device.write").size(), 1u);
  EXPECT_EQ(cehost::HexBytes(Entries("device.write")[0].bytes.data(), 4), "ff000000");
  DWORD value = 0;
  EXPECT_EQ(GetBackLightLevelEx(&value), 1);
  EXPECT_EQ(value, 255u);
  EXPECT_EQ(SetBackLightStateEx(0), 1);
  EXPECT_EQ(driver.State().state, 0u);
  EXPECT_EQ(SetLuxSensorStateEx(1), 1);
  value = 0;
  EXPECT_EQ(GetLuxSensorStateEx(&value), 1);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(OpenAccess("BKL1:"), (std::vector<std::string>{"0x40000000", "0x80000000", "0x00000000",
                                                           "0xc0000000", "0xc0000000"}));
  EXPECT_EQ(Closes("BKL1:"), 5u);
  // No output: nothing is opened.
  EXPECT_EQ(GetBackLightLevelEx(nullptr), 0);
  EXPECT_EQ(GetLuxSensorStateEx(nullptr), 0);
  EXPECT_EQ(Opens("BKL1:"), 5u);
}

TEST_F(StatelessSensorsTest, MissingOrFailingDevicesGiveZero) {
  Start("[infrared]\npresent = false\n[backlight]\nread_error = 30\nwrite_error = 29\n");
  DWORD value = 7;
  EXPECT_EQ(IRSensorRegisterIRSensorNotify(nullptr, 1), 0);
  EXPECT_EQ(IRSensorUnRegisterIRSensorNotify(nullptr), 0);
  EXPECT_EQ(IRSensorSetIRSensorState(1), 0);
  EXPECT_EQ(IRSensorGetIRSensorDetection(&value), 0);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(IRSensorSetIRSensorLevel(2), 0);
  EXPECT_EQ(IRSensorGetIRSensorLevel(), 0u);
  EXPECT_EQ(SetBackLightLevelEx(10), 0);
  EXPECT_EQ(GetBackLightLevelEx(&value), 0);
  EXPECT_EQ(Closes("BKL1:"), 2u);
  EXPECT_TRUE(Traces().empty());
}

TEST_F(StatelessSensorsTest, IdleTimeoutIsTheBatterySuspendInMilliseconds) {
  Start();
  constexpr char16_t kKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Power\\Timeouts";
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
  EXPECT_EQ(GetSystemIdleTimeoutEx(), 0xFFFFFFFFu);
  MakeKey(HKEY_LOCAL_MACHINE, kKey);
  EXPECT_EQ(GetSystemIdleTimeoutEx(), 0xFFFFFFFFu);
  struct Case {
    DWORD seconds;
    DWORD ms;
  } cases[] = {
      {60, 60000},
      {0, 0},
      {4294967, 4294967000u},
      // Beyond 32-bit milliseconds: the longest time-out, not a wrapped short one.
      {4294968, 0xFFFFFFFEu},
      {0xFFFFFFFF, 0xFFFFFFFEu},
  };
  for (const auto& c : cases) {
    Store(HKEY_LOCAL_MACHINE, kKey, u"BattSuspend", Dword(c.seconds));
    EXPECT_EQ(GetSystemIdleTimeoutEx(), c.ms) << c.seconds;
  }
}

TEST_F(StatelessSensorsTest, VibratorIsTheLastLedBlinking) {
  Start();
  auto& leds = handset().program<sim::Leds>();
  struct Case {
    DWORD on_ms, off_ms;
    NLED_SETTINGS_INFO expected;
  } cases[] = {
      {500, 500, {1, NLED_BLINK, 1000000, 500000, 500000, 0, 0}},
      {0, 0, {1, NLED_BLINK, 0, 0, 0, 0, 0}},
      // Times beyond the fields are held at the longest they take, the on time first.
      {2000000, 2000000, {1, NLED_BLINK, INT32_MAX, 2000000000, INT32_MAX - 2000000000, 0, 0}},
      {0xFFFFFFFF, 5, {1, NLED_BLINK, INT32_MAX, INT32_MAX, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.on_ms) + "/" + std::to_string(c.off_ms));
    SetVibrateOn(c.on_ms, c.off_ms);
    NLED_SETTINGS_INFO now = leds.AllSettings().back();
    EXPECT_EQ(now.LedNum, c.expected.LedNum);
    EXPECT_EQ(now.OffOnBlink, c.expected.OffOnBlink);
    EXPECT_EQ(now.TotalCycleTime, c.expected.TotalCycleTime);
    EXPECT_EQ(now.OnTime, c.expected.OnTime);
    EXPECT_EQ(now.OffTime, c.expected.OffTime);
  }
  SetVibrateOff();
  EXPECT_EQ(leds.AllSettings().back().OffOnBlink, NLED_OFF);
  EXPECT_EQ(leds.AllSettings().back().TotalCycleTime, 0);
  // The other LED was never touched.
  EXPECT_EQ(leds.AllSettings().front().OffOnBlink, NLED_OFF);
}

TEST_F(StatelessSensorsTest, WithoutLedsTheVibratorRequestIsRefused) {
  Start("[leds]\ncount = 0\n");
  SetVibrateOn(500, 500);
  const auto set = Entries("led.set");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].Field("led"), "4294967295");
  EXPECT_EQ(set[0].Field("result"), "0");
}

}  // namespace
