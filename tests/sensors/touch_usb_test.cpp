// The touch panel and USB exports against the simulated "TCH0:" and USB function controller:
// the touch handle's life across calls, the raw sample, the factory reset's setting word, and
// the controller found through the device manager.
#include <gtest/gtest.h>

#include <cstring>

#include "ce/windows.h"
#include "device_support.h"
#include "frame/exports.h"
#include "oem/drivers.h"
#include "sensors/touch.h"
#include "sensors/usb_controller.h"
#include "sim/drivers/touch/touch.h"
#include "sim/drivers/usb_function/usb_function.h"

namespace {

using device_test::Sent;

using TouchUsbTest = device_test::DeviceTest;

TEST_F(TouchUsbTest, TheTouchHandleLivesFromFirstUseToUnregister) {
  Start();
  auto& driver = handset().program<sim::Touch>();
  EXPECT_EQ(TouchNotifyApiRegisterTouchNotifyEx(0x10, 0x20, 0x30), 1);
  driver.SetSample(12, 34, 5, true);
  TouchRawData raw;
  std::memset(&raw, 0xEE, sizeof raw);
  EXPECT_EQ(TouchNotifyApiGetTouchRawData(&raw), 1);
  EXPECT_EQ(raw.dwSize, 24u);
  LONG x = 0;
  std::memcpy(&x, raw.abSample, 4);
  EXPECT_EQ(x, 12);
  EXPECT_EQ(TouchNotifyApiGetTouchRawData(&raw), 1);
  EXPECT_EQ(TouchNotifyApiUnRegisterTouchNotify(0x10, 0xDEAD), 1);
  EXPECT_EQ(Opens("TCH0:"), 1u);
  EXPECT_EQ(Closes("TCH0:"), 1u);
  EXPECT_EQ(OpenAccess("TCH0:"), std::vector<std::string>{"0x00000000"});
  const auto sent = Controls("TCH0:");
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0], (Sent{"IOCTL_TCH_REGISTER", "100000002000000030000000"}));
  EXPECT_EQ(sent[3], (Sent{"IOCTL_TCH_UNREGISTER", "1000000000000000"}));

  // An unregister with the handle closed opens it, asks, and closes it again, whatever the
  // driver answers.
  EXPECT_EQ(TouchNotifyApiUnRegisterTouchNotify(0x10, 0), 0);
  EXPECT_EQ(Opens("TCH0:"), 2u);
  EXPECT_EQ(Closes("TCH0:"), 2u);
}

TEST_F(TouchUsbTest, RawDataSetsTheSizeFirstAndNeedsABuffer) {
  Start();
  handset().program<sim::Touch>().faults().FailControl("IOCTL_TCH_GET_RAW");
  TouchRawData raw;
  std::memset(&raw, 0xEE, sizeof raw);
  EXPECT_EQ(TouchNotifyApiGetTouchRawData(&raw), 0);
  EXPECT_EQ(raw.dwSize, 24u);
  EXPECT_EQ(TouchNotifyApiGetTouchRawData(nullptr), 0);
  EXPECT_EQ(Controls("TCH0:").size(), 1u);
}

TEST_F(TouchUsbTest, ATouchPanelThatCannotOpenIsTriedAgain) {
  Start("[touch]\nopen_error = 5\n");
  EXPECT_EQ(TouchNotifyApiRegisterTouchNotifyEx(1, 2, 3), 0);
  EXPECT_EQ(GetTouchDriverSetting(), 0u);
  EXPECT_EQ(SetTouchDriverSetting(0), 0);
  handset().program<sim::Touch>().faults().SetOpenError(0);
  EXPECT_EQ(TouchNotifyApiRegisterTouchNotifyEx(1, 2, 3), 1);
  EXPECT_EQ(TouchNotifyApiUnRegisterTouchNotify(1, 0), 1);
}

TEST_F(TouchUsbTest, TheSettingWordUsesHandlesOfItsOwn) {
  Start("[touch]\nsetting = 3\n");
  EXPECT_EQ(TouchNotifyApiRegisterTouchNotifyEx(1, 2, 3), 1);
  EXPECT_EQ(GetTouchDriverSetting(), 3u);
  EXPECT_EQ(SetTouchDriverSetting(0), 1);
  EXPECT_EQ(handset().program<sim::Touch>().State().setting, 0u);
  // Two opens and closes of their own; the shared handle is still open.
  EXPECT_EQ(Opens("TCH0:"), 3u);
  EXPECT_EQ(Closes("TCH0:"), 2u);
  handset().program<sim::Touch>().faults().FailControl("IOCTL_TCH_GET_SETTING");
  EXPECT_EQ(GetTouchDriverSetting(), 0u);
  EXPECT_EQ(TouchNotifyApiUnRegisterTouchNotify(1, 0), 1);
}

TEST_F(TouchUsbTest, UsbMessageAndConnectionComeFromTheController) {
  Start();
  auto& driver = handset().program<sim::UsbFunction>();
  const UINT id = RegisterWindowMessageW(u"UsbNotifyMsgName");
  EXPECT_EQ(UsbNotifyApiRegisterUsbNotifyMsg(), id);
  EXPECT_EQ(driver.State().message, id);
  driver.SetConnection(USB_CONNECT_PC);
  EXPECT_EQ(UsbNotifyApiGetUsbConnectType(), USB_CONNECT_PC);
  // The controller is opened by its bus name, for reading, shared for reading.
  const auto opens = Entries("device.open");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].Field("access"), "0x80000000");
  EXPECT_EQ(opens[0].Field("share"), "0x1");
  EXPECT_EQ(Entries("device.close").size(), 2u);

  // A control that fails gives 0xFFFFFFFF although the controller opened.
  driver.faults().FailControl("IOCTL_UFN_GET_CONNECT_TYPE");
  EXPECT_EQ(UsbNotifyApiGetUsbConnectType(), 0xFFFFFFFFu);
  // The message is the caller's whatever the controller answers.
  driver.faults().FailControl("IOCTL_UFN_SET_NOTIFY_MESSAGE");
  EXPECT_EQ(UsbNotifyApiRegisterUsbNotifyMsg(), id);
}

TEST_F(TouchUsbTest, WithoutAUsbControllerBothCallsGiveAllOnes) {
  Start("[usb]\npresent = false\n");
  EXPECT_EQ(UsbNotifyApiRegisterUsbNotifyMsg(), 0xFFFFFFFFu);
  EXPECT_EQ(UsbNotifyApiGetUsbConnectType(), 0xFFFFFFFFu);
  bool found = true;
  EXPECT_EQ(OpenUsbFnController(kUsbFnControllerClass, &found), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(found);
  EXPECT_TRUE(Entries("device.open").empty());
}

TEST_F(TouchUsbTest, AUsbControllerThatCannotOpenIsFoundButNotOpened) {
  Start("[usb]\nopen_error = 5\n");
  bool found = false;
  EXPECT_EQ(OpenUsbFnController(kUsbFnControllerClass, &found), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(found);
  EXPECT_EQ(UsbNotifyApiGetUsbConnectType(), 0xFFFFFFFFu);
  EXPECT_TRUE(Traces().empty());
}

}  // namespace
