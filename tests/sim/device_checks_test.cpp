// What every simulated stream driver does alike: its buffers checked, unknown codes refused,
// scripted faults, absent devices, and the control names the journal shows.
#include <string>

#include "cehost/journal.h"
#include "device_support.h"
#include "oem/drivers.h"
#include "sim/drivers/accelerometer/accelerometer.h"
#include "sim/drivers/backlight/backlight.h"
#include "sim/drivers/infrared/infrared.h"
#include "sim/drivers/touch/touch.h"
#include "sim/drivers/usb_function/usb_function.h"
#include "sim/handset_config.h"

namespace {

using device_test::DeviceTest;
using device_test::DwordBytes;
using device_test::Opened;

struct Sizes {
  const char16_t* device;
  DWORD code;
  DWORD in_size;
  DWORD out_size;
};

// Each control with the least input and output it takes.
constexpr Sizes kControls[] = {
    {u"ACC0:", IOCTL_ACC_GET_X, 0, 1},
    {u"ACC0:", IOCTL_ACC_GET_XYZ, 0, 3},
    {u"ACC0:", IOCTL_ACC_SET_MESSAGE, 4, 0},
    {u"IRD1:", IOCTL_IRD_REGISTER, 8, 0},
    {u"IRD1:", IOCTL_IRD_GET_DETECT_READY, 0, 4},
    {u"IRD1:", IOCTL_IRD_SET_LEVEL, 4, 0},
    {u"IRD1:", IOCTL_IRD_GET_LEVEL, 0, 4},
    {u"BKL1:", IOCTL_BKL_SET_STATE, 4, 0},
    {u"BKL1:", IOCTL_BKL_GET_LUX_STATE, 0, 4},
    {u"TCH0:", IOCTL_TCH_REGISTER, 12, 0},
    {u"TCH0:", IOCTL_TCH_GET_RAW, 0, 24},
    {u"TCH0:", IOCTL_TCH_GET_SETTING, 0, 4},
    {u"USBFN_0", IOCTL_UFN_GET_CURRENT_CLIENT, 0, 756},
    {u"USBFN_0", IOCTL_UFN_CHANGE_DEFAULT_CLIENT, 256, 0},
    {u"USBFN_0", IOCTL_UFN_GET_CONNECT_TYPE, 0, 4},
};

// The input a control takes: a level of 2, window 2, or an empty client name.
std::vector<uint8_t> GoodInput(DWORD size) {
  std::vector<uint8_t> in(size, 0);
  if (size >= 4 && size <= 12) in[0] = 2;
  return in;
}

TEST_F(DeviceTest, ShortBuffersAndUnknownCodesAreRefused) {
  auto handset = Mount();
  for (const Sizes& c : kControls) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code);
    Opened device(c.device);
    ASSERT_TRUE(device.ok());
    EXPECT_TRUE(device.Control(c.code, GoodInput(c.in_size), c.out_size).ok);
    if (c.in_size) {
      auto answer = device.Control(c.code, GoodInput(c.in_size - 1), c.out_size);
      EXPECT_FALSE(answer.ok);
      EXPECT_EQ(answer.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
      answer = device.Control(c.code, {}, c.out_size);
      EXPECT_EQ(answer.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    if (c.out_size) {
      auto answer = device.Control(c.code, GoodInput(c.in_size), c.out_size - 1);
      EXPECT_FALSE(answer.ok);
      EXPECT_EQ(answer.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    }
    auto unknown = device.Control(c.code + 0x100, GoodInput(4), 4);
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST_F(DeviceTest, TheJournalNamesEachControl) {
  auto handset = Mount();
  Opened accelerometer(kAccelerometerDevice);
  accelerometer.Control(IOCTL_ACC_GET_XYZ, {}, 3);
  Opened usb(u"usbfn_0");
  ASSERT_TRUE(usb.ok());
  usb.Control(IOCTL_UFN_GET_CONNECT_TYPE, {}, 4);
  auto controls = handset->journal().Entries("device.control");
  ASSERT_EQ(controls.size(), 2u);
  EXPECT_EQ(controls[0].Field("code_name"), "IOCTL_ACC_GET_XYZ");
  EXPECT_EQ(controls[1].Field("code_name"), "IOCTL_UFN_GET_CONNECT_TYPE");
}

TEST_F(DeviceTest, ScriptedFaultsFromHandsetToml) {
  auto handset = Mount(
      "[accelerometer]\nfail_controls = \"IOCTL_ACC_GET_XYZ\"\nfail_error = 1167\n"
      "[infrared]\nopen_error = 55\n"
      "[backlight]\nread_error = 30\nwrite_error = 29\n");
  Opened accelerometer(kAccelerometerDevice);
  auto xyz = accelerometer.Control(IOCTL_ACC_GET_XYZ, {}, 3);
  EXPECT_FALSE(xyz.ok);
  EXPECT_EQ(xyz.error, 1167u);
  EXPECT_TRUE(accelerometer.Control(IOCTL_ACC_GET_X, {}, 1).ok);

  Opened infrared(kInfraredDevice, 0);
  EXPECT_FALSE(infrared.ok());
  EXPECT_EQ(infrared.open_error(), 55u);

  Opened backlight(kBacklightDevice);
  EXPECT_EQ(backlight.Read(4).error, 30u);
  EXPECT_EQ(backlight.Write(DwordBytes(10)).error, 29u);
  EXPECT_TRUE(backlight.Control(IOCTL_BKL_SET_STATE, DwordBytes(1)).ok);
}

TEST_F(DeviceTest, FaultsChangedWhileTheHandsetRuns) {
  auto handset = Mount();
  auto& touch = handset->program<sim::Touch>();
  Opened before(kTouchDevice, 0);
  touch.faults().FailControl("IOCTL_TCH_GET_SETTING");
  EXPECT_EQ(before.Control(IOCTL_TCH_GET_SETTING, {}, 4).error, sim::kDeviceFailureError);
  touch.faults().SetOpenError(ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Opened(kTouchDevice, 0).open_error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  touch.faults().Clear();
  Opened after(kTouchDevice, 0);
  EXPECT_TRUE(after.Control(IOCTL_TCH_GET_SETTING, {}, 4).ok);
  EXPECT_EQ(touch.OpenHandles(), 2u);
}

TEST_F(DeviceTest, AnAbsentDeviceCannotBeOpened) {
  auto handset = Mount("[accelerometer]\npresent = false\n[usb]\npresent = false\n");
  EXPECT_FALSE(handset->program<sim::Accelerometer>().present());
  Opened accelerometer(kAccelerometerDevice);
  EXPECT_FALSE(accelerometer.ok());
  EXPECT_EQ(accelerometer.open_error(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Opened(u"USBFN_0").ok());
  EXPECT_FALSE(Opened(u"UFN1:").ok());
  EXPECT_TRUE(Opened(kBacklightDevice).ok());
}

TEST_F(DeviceTest, HandsetTomlRefusesWhatADeviceCannotBe) {
  for (const char* table :
       {"[accelerometer]\nfail_controls = \"IOCTL_NOT_THERE\"\n", "[accelerometer]\nx = 200\n",
        "[infrared]\nlevel = 4\n", "[backlight]\nlevel = 256\n",
        "[usb]\ncurrent_client = \"Printer\"\n", "[usb]\nconnection = \"firewire\"\n",
        "[touch]\ncolour = 1\n", "[leds]\nopen_error = 5\n"}) {
    SCOPED_TRACE(table);
    WriteText(temp_.home() / "handset.toml", table);
    EXPECT_THROW(sim::LoadHandsetConfig(temp_.home() / "handset.toml"), sim::HandsetConfigError);
  }
}

}  // namespace
