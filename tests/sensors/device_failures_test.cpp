// Each sensor export on a handset whose device is missing, cannot be opened, or fails the one
// request the export makes, as handset.toml scripts it: the export's failure result, and no
// trace.
#include <gtest/gtest.h>

#include <string>

#include "device_support.h"
#include "frame/exports.h"
#include "sensors/touch.h"

namespace {

using DeviceFailuresTest = device_test::DeviceTest;

struct Case {
  const char* toml;
  const char* what;
  DWORD (*call)();
  DWORD failed;
};

DWORD Detection() {
  DWORD value = 0;
  return IRSensorGetIRSensorDetection(&value);
}
DWORD BacklightLevel() {
  DWORD value = 0;
  return GetBackLightLevelEx(&value);
}
DWORD LuxState() {
  DWORD value = 0;
  return GetLuxSensorStateEx(&value);
}
DWORD RawSample() {
  TouchRawData sample = {};
  return TouchNotifyApiGetTouchRawData(&sample);
}

// The devices' conditions, each with every export it fails.
const Case kCases[] = {
    {"[infrared]\nopen_error = 55\n", "IR register",
     [] { return DWORD(IRSensorRegisterIRSensorNotify(nullptr, 1)); }, 0},
    {"[infrared]\nopen_error = 55\n", "IR unregister",
     [] { return DWORD(IRSensorUnRegisterIRSensorNotify(nullptr)); }, 0},
    {"[infrared]\nopen_error = 55\n", "IR state", [] { return DWORD(IRSensorSetIRSensorState(1)); },
     0},
    {"[infrared]\nopen_error = 55\n", "IR detection", Detection, 0},
    {"[infrared]\nopen_error = 55\n", "IR set level",
     [] { return DWORD(IRSensorSetIRSensorLevel(2)); }, 0},
    {"[infrared]\nopen_error = 55\n", "IR get level", IRSensorGetIRSensorLevel, 0},
    {"[infrared]\nfail_controls = \"IOCTL_IRD_REGISTER\"\n", "IR register",
     [] { return DWORD(IRSensorRegisterIRSensorNotify(nullptr, 1)); }, 0},
    {"[infrared]\nfail_controls = \"IOCTL_IRD_UNREGISTER\"\n", "IR unregister",
     [] { return DWORD(IRSensorUnRegisterIRSensorNotify(nullptr)); }, 0},
    {"[infrared]\nfail_controls = \"IOCTL_IRD_SET_STATE\"\n", "IR state",
     [] { return DWORD(IRSensorSetIRSensorState(1)); }, 0},
    {"[infrared]\nfail_controls = \"IOCTL_IRD_SET_LEVEL\"\n", "IR set level",
     [] { return DWORD(IRSensorSetIRSensorLevel(2)); }, 0},
    {"[infrared]\nfail_controls = \"IOCTL_IRD_GET_LEVEL\"\n", "IR get level",
     IRSensorGetIRSensorLevel, 0},
    // Something covers the sensor, but its detection value cannot be read.
    {"[infrared]\ndetection = 1\nread_error = 30\n", "IR detection", Detection, 0},
    {"[backlight]\npresent = false\n", "backlight state",
     [] { return DWORD(SetBackLightStateEx(1)); }, 0},
    {"[backlight]\npresent = false\n", "lux state", [] { return DWORD(SetLuxSensorStateEx(1)); },
     0},
    {"[backlight]\npresent = false\n", "get lux state", LuxState, 0},
    {"[backlight]\nopen_error = 5\n", "set level", [] { return DWORD(SetBackLightLevelEx(9)); }, 0},
    {"[backlight]\nopen_error = 5\n", "get level", BacklightLevel, 0},
    {"[backlight]\nfail_controls = \"IOCTL_BKL_SET_STATE\"\n", "backlight state",
     [] { return DWORD(SetBackLightStateEx(1)); }, 0},
    {"[backlight]\nfail_controls = \"IOCTL_BKL_SET_LUX_STATE\"\n", "lux state",
     [] { return DWORD(SetLuxSensorStateEx(1)); }, 0},
    {"[backlight]\nfail_controls = \"IOCTL_BKL_GET_LUX_STATE\"\n", "get lux state", LuxState, 0},
    {"[touch]\npresent = false\n", "touch register",
     [] { return DWORD(TouchNotifyApiRegisterTouchNotifyEx(1, 2, 3)); }, 0},
    {"[touch]\npresent = false\n", "touch unregister",
     [] { return DWORD(TouchNotifyApiUnRegisterTouchNotify(1, 0)); }, 0},
    {"[touch]\npresent = false\n", "raw sample", RawSample, 0},
    {"[touch]\npresent = false\n", "get setting", GetTouchDriverSetting, 0},
    {"[touch]\npresent = false\n", "set setting", [] { return DWORD(SetTouchDriverSetting(0)); },
     0},
    {"[touch]\nfail_controls = \"IOCTL_TCH_REGISTER\"\n", "touch register",
     [] { return DWORD(TouchNotifyApiRegisterTouchNotifyEx(1, 2, 3)); }, 0},
    {"[touch]\nfail_controls = \"IOCTL_TCH_UNREGISTER\"\n", "touch unregister",
     [] { return DWORD(TouchNotifyApiUnRegisterTouchNotify(1, 0)); }, 0},
    {"[touch]\nfail_controls = \"IOCTL_TCH_GET_RAW\"\n", "raw sample", RawSample, 0},
    {"[touch]\nfail_controls = \"IOCTL_TCH_GET_SETTING\"\n", "get setting", GetTouchDriverSetting,
     0},
    {"[touch]\nfail_controls = \"IOCTL_TCH_SET_SETTING\"\n", "set setting",
     [] { return DWORD(SetTouchDriverSetting(0)); }, 0},
};

TEST_F(DeviceFailuresTest, EachExportGivesItsFailureResultWithoutATrace) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.what) + " with " + c.toml);
    Start(c.toml);
    EXPECT_EQ(c.call(), c.failed);
    EXPECT_TRUE(Traces().empty());
    // A second call fails the same way.
    EXPECT_EQ(c.call(), c.failed);
    // Lets go of a touch handle the library keeps, so that the next handset's calls open their
    // own.
    TouchNotifyApiUnRegisterTouchNotify(0, 0);
  }
}

// A vibrator whose LED service refuses the request: the exports have no result, and the refusal
// is all that happens.
TEST_F(DeviceFailuresTest, ARefusedVibratorRequestChangesNothing) {
  Start("[leds]\nfail_controls = \"NLedSetDevice\"\n");
  SetVibrateOn(500, 500);
  SetVibrateOff();
  const auto set = Entries("led.set");
  ASSERT_EQ(set.size(), 2u);
  for (const auto& e : set) EXPECT_EQ(e.Field("result"), "0");
}

}  // namespace
