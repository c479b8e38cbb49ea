// The backlight, the touch panel and the USB function controller: their state machines through
// the platform calls, the notifications they post, and what outlives a mount.
#include <cstring>
#include <string>

#include "ce/windows.h"
#include "device_support.h"
#include "oem/drivers.h"
#include "shell_support.h"
#include "sim/drivers/backlight/backlight.h"
#include "sim/drivers/touch/touch.h"
#include "sim/drivers/usb_function/usb_function.h"

namespace {

using device_test::AsDword;
using device_test::DeviceTest;
using device_test::DwordBytes;
using device_test::Opened;
using shell_test::LoggingWindow;
using shell_test::Posted;

std::vector<uint8_t> Dwords(std::initializer_list<DWORD> values) {
  std::vector<uint8_t> bytes;
  for (DWORD v : values) {
    auto b = DwordBytes(v);
    bytes.insert(bytes.end(), b.begin(), b.end());
  }
  return bytes;
}

std::vector<uint8_t> ClientName(const std::u16string& name) {
  UFN_CLIENT_NAME record{};
  name.copy(reinterpret_cast<char16_t*>(record.szName), 128);
  std::vector<uint8_t> bytes(sizeof record);
  std::memcpy(bytes.data(), &record, sizeof record);
  return bytes;
}

// The name and description of a UFN_CLIENT_INFO.
std::pair<std::u16string, std::u16string> ClientInfo(const std::vector<uint8_t>& bytes) {
  UFN_CLIENT_INFO info{};
  EXPECT_EQ(bytes.size(), sizeof info);
  std::memcpy(&info, bytes.data(), std::min(bytes.size(), sizeof info));
  return {reinterpret_cast<const char16_t*>(info.szName),
          reinterpret_cast<const char16_t*>(info.szDescription)};
}

TEST_F(DeviceTest, BacklightLevelIsWrittenAndReadAsFourBytes) {
  auto handset = Mount("[backlight]\nlevel = 40\n");
  Opened reader(kBacklightDevice, GENERIC_READ);
  EXPECT_EQ(AsDword(reader.Read(4).out), 40u);
  Opened writer(kBacklightDevice, GENERIC_WRITE);
  struct Write {
    std::vector<uint8_t> bytes;
    bool taken;
    DWORD level_after;
  };
  for (const Write& w : {Write{DwordBytes(255), true, 255}, Write{DwordBytes(256), false, 255},
                         Write{{7, 0, 0}, false, 255}, Write{DwordBytes(0), true, 0}}) {
    auto answer = writer.Write(w.bytes);
    EXPECT_EQ(answer.ok, w.taken ? TRUE : FALSE);
    EXPECT_EQ(answer.error, w.taken ? 0u : static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(AsDword(reader.Read(4).out), w.level_after);
  }
  EXPECT_EQ(reader.Read(2).error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(DeviceTest, BacklightStatesOutliveTheMount) {
  {
    auto handset = Mount();
    Opened bkl(kBacklightDevice);
    bkl.Write(DwordBytes(10));
    bkl.Control(IOCTL_BKL_SET_STATE, DwordBytes(0));
    bkl.Control(IOCTL_BKL_SET_LUX_STATE, DwordBytes(3));
  }
  auto handset = Mount();
  sim::BacklightState state = handset->program<sim::Backlight>().State();
  EXPECT_EQ(state.level, 10u);
  EXPECT_EQ(state.state, 0u);
  EXPECT_EQ(state.lux_state, 3u);
  EXPECT_EQ(AsDword(Opened(kBacklightDevice).Control(IOCTL_BKL_GET_LUX_STATE, {}, 4).out), 3u);
}

TEST_F(DeviceTest, TouchSubscribersHearEachSample) {
  auto handset = Mount();
  LoggingWindow window(u"TouchWindow");
  Opened touch(kTouchDevice, 0);
  ASSERT_TRUE(touch.Control(IOCTL_TCH_REGISTER, Dwords({window.id(), 0xC400, 77})).ok);
  ASSERT_TRUE(touch.Control(IOCTL_TCH_REGISTER, Dwords({0x99, 0, 0})).ok);  // never posted to
  auto& panel = handset->program<sim::Touch>();
  panel.SetSample(100, 200, 5, true);
  sim::TouchSample sample;
  auto raw = touch.Control(IOCTL_TCH_GET_RAW, {}, 24);
  ASSERT_EQ(raw.out.size(), 24u);
  std::memcpy(&sample, raw.out.data(), 24);
  EXPECT_EQ(sample.size, 24u);
  EXPECT_EQ(sample.x, 100);
  EXPECT_EQ(sample.y, 200);
  EXPECT_EQ(sample.pressure, 5u);
  EXPECT_EQ(sample.down, 1u);
  EXPECT_EQ(sample.number, 1u);
  ASSERT_TRUE(touch.Control(IOCTL_TCH_UNREGISTER, Dwords({window.id(), 0})).ok);
  EXPECT_EQ(touch.Control(IOCTL_TCH_UNREGISTER, Dwords({window.id(), 0})).error,
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  panel.SetSample(1, 2, 0, false);
  EXPECT_EQ(window.Seen(), (std::vector<Posted>{{0xC400, 200u << 16 | 100u, 77}}));
  EXPECT_EQ(panel.State().subscribers.size(), 1u);
}

TEST_F(DeviceTest, TouchSettingWordOutlivesTheMount) {
  {
    auto handset = Mount("[touch]\nsetting = 3\n");
    Opened touch(kTouchDevice, 0);
    EXPECT_EQ(AsDword(touch.Control(IOCTL_TCH_GET_SETTING, {}, 4).out), 3u);
    ASSERT_TRUE(touch.Control(IOCTL_TCH_SET_SETTING, DwordBytes(0)).ok);
  }
  auto handset = Mount();
  EXPECT_EQ(AsDword(Opened(kTouchDevice, 0).Control(IOCTL_TCH_GET_SETTING, {}, 4).out), 0u);
}

TEST_F(DeviceTest, UsbClientsChangeOnlyToKnownOnes) {
  auto handset = Mount();
  Opened usb(u"USBFN_0", GENERIC_READ);
  ASSERT_TRUE(usb.ok());
  EXPECT_EQ(ClientInfo(usb.Control(IOCTL_UFN_GET_CURRENT_CLIENT, {}, 756).out).first,
            u"Serial_Class");
  struct Change {
    DWORD code;
    std::u16string name;
    bool taken;
  };
  for (const Change& c :
       {Change{IOCTL_UFN_CHANGE_CURRENT_CLIENT, u"Mass_Storage_Class", true},
        Change{IOCTL_UFN_CHANGE_CURRENT_CLIENT, u"Printer_Class", false},
        Change{IOCTL_UFN_CHANGE_DEFAULT_CLIENT, u"RNDIS_Class", true},
        Change{IOCTL_UFN_CHANGE_DEFAULT_CLIENT, std::u16string(127, u'x'), false}}) {
    auto answer = usb.Control(c.code, ClientName(c.name));
    EXPECT_EQ(answer.ok, c.taken ? TRUE : FALSE);
    EXPECT_EQ(answer.error, c.taken ? 0u : static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  auto current = ClientInfo(usb.Control(IOCTL_UFN_GET_CURRENT_CLIENT, {}, 756).out);
  EXPECT_EQ(current.first, u"Mass_Storage_Class");
  EXPECT_EQ(current.second, u"USB Mass Storage Class");
  EXPECT_EQ(ClientInfo(usb.Control(IOCTL_UFN_GET_DEFAULT_CLIENT, {}, 756).out).first,
            u"RNDIS_Class");

  // An empty name means no client; a name that fills the record without its terminator is
  // refused.
  ASSERT_TRUE(usb.Control(IOCTL_UFN_CHANGE_CURRENT_CLIENT, ClientName(u"")).ok);
  EXPECT_EQ(ClientInfo(usb.Control(IOCTL_UFN_GET_CURRENT_CLIENT, {}, 756).out),
            std::make_pair(std::u16string(), std::u16string()));
  std::vector<uint8_t> unterminated(256, 'a');
  EXPECT_EQ(usb.Control(IOCTL_UFN_CHANGE_CURRENT_CLIENT, unterminated).error,
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DeviceTest, UsbPlugAndUnplugPostTheMessage) {
  auto handset = Mount();
  LoggingWindow window(u"UsbWindow");
  auto& usb = handset->program<sim::UsbFunction>();
  usb.SetConnection(USB_CONNECT_CHARGER);  // no message yet
  UINT message = RegisterWindowMessageW(kUsbNotifyMessageName);
  Opened controller(u"UFN1:", GENERIC_READ);
  ASSERT_TRUE(controller.Control(IOCTL_UFN_SET_NOTIFY_MESSAGE, DwordBytes(message)).ok);
  usb.SetConnection(USB_CONNECT_PC);
  EXPECT_EQ(AsDword(controller.Control(IOCTL_UFN_GET_CONNECT_TYPE, {}, 4).out), USB_CONNECT_PC);
  usb.SetConnection(USB_CONNECT_NONE);
  EXPECT_EQ(window.Seen(),
            (std::vector<Posted>{{message, USB_CONNECT_PC, 0}, {message, USB_CONNECT_NONE, 0}}));
}

TEST_F(DeviceTest, UsbStateOutlivesTheMount) {
  {
    auto handset = Mount();
    Opened usb(u"USBFN_0");
    usb.Control(IOCTL_UFN_SET_NOTIFY_MESSAGE, DwordBytes(0xC500));
    usb.Control(IOCTL_UFN_CHANGE_DEFAULT_CLIENT, ClientName(u"Mass_Storage_Class"));
    handset->program<sim::UsbFunction>().SetConnection(USB_CONNECT_PC);
  }
  auto handset = Mount();
  sim::UsbFunctionState state = handset->program<sim::UsbFunction>().State();
  EXPECT_EQ(state.connection, USB_CONNECT_PC);
  EXPECT_EQ(state.message, 0xC500u);
  EXPECT_EQ(state.current_client, u"Serial_Class");
  EXPECT_EQ(state.default_client, u"Mass_Storage_Class");
}

TEST_F(DeviceTest, UsbControllerIsFoundByItsClassAndOpenedByItsBusName) {
  auto handset = Mount();
  DEVMGR_DEVICE_INFORMATION info{};
  info.dwSize = sizeof info;
  HANDLE search = FindFirstDevice(DeviceSearchByGuid, &kUsbFnControllerClass, &info);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.szLegacyName)), u"UFN1:");
  std::u16string bus = reinterpret_cast<const char16_t*>(info.szBusName);
  EXPECT_EQ(bus, sim::kUsbFunctionBusName);
  Opened controller(bus.c_str(), GENERIC_READ);
  EXPECT_EQ(AsDword(controller.Control(IOCTL_UFN_GET_CONNECT_TYPE, {}, 4).out), USB_CONNECT_NONE);
}

TEST_F(DeviceTest, AnAbsentUsbControllerIsNotFound) {
  auto handset = Mount("[usb]\npresent = false\n");
  DEVMGR_DEVICE_INFORMATION info{};
  info.dwSize = sizeof info;
  EXPECT_EQ(FindFirstDevice(DeviceSearchByGuid, &kUsbFnControllerClass, &info),
            INVALID_HANDLE_VALUE);
}

}  // namespace
