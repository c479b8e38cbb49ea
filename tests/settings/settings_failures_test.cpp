// The settings operations on handsets whose peers fail, as handset.toml scripts them: a USB
// function controller that is missing, cannot be opened or refuses one control; an input method
// that is not there to be told; and a handset on which every peer a factory reset reaches fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/files.h"
#include "device_support.h"
#include "frame/exports.h"
#include "registry_helpers.h"
#include "settings/usb_client.h"
#include "sim/drivers/usb_function/usb_function.h"

namespace {

using SettingsFailuresTest = device_test::DeviceTest;

BOOL ChangeCurrent() {
  return USBChangeCurrentDriver(u"Mass_Storage_Class");
}
BOOL ChangeDefault() {
  return USBChangeDefaultDriver(u"Mass_Storage_Class");
}

TEST_F(SettingsFailuresTest, UsbClientFailuresAreTracedAsTheyHappen) {
  struct Case {
    const char* toml;
    BOOL (*call)();
    bool done;
    std::vector<std::string> traces;
  } cases[] = {
      {"[usb]\npresent = false\n", ChangeCurrent, false, {"No available UsbFn controller!\r\n"}},
      {"[usb]\npresent = false\n", ChangeDefault, false, {"No available UsbFn controller!\r\n"}},
      // Found, but it cannot be opened: no trace.
      {"[usb]\nopen_error = 5\n", ChangeCurrent, false, {}},
      {"[usb]\nopen_error = 5\n", ChangeDefault, false, {}},
      {"[usb]\nfail_controls = \"IOCTL_UFN_CHANGE_CURRENT_CLIENT\"\n",
       ChangeCurrent,
       false,
       {"Change to client driver \"Mass_Storage_Class\" failed, error 31\n"}},
      // The change is made; its read-back fails, and so does the result.
      {"[usb]\nfail_controls = \"IOCTL_UFN_GET_CURRENT_CLIENT\"\n",
       ChangeCurrent,
       false,
       {"Could not get current driver\n"}},
      {"[usb]\nfail_controls = \"IOCTL_UFN_CHANGE_DEFAULT_CLIENT\"\nfail_error = 50\n",
       ChangeDefault,
       false,
       {"IOCTL_UFN_CHANGE_DEFAULT_CLIENT failed, error 50\n"}},
      // A failed read-back of the default does not make its change a failure.
      {"[usb]\nfail_controls = \"IOCTL_UFN_GET_DEFAULT_CLIENT\"\n",
       ChangeDefault,
       true,
       {"Could not get default USB client driver, error 31\n", "USBGetDefaultDriver() failed\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.toml);
    Start(c.toml);
    EXPECT_EQ(c.call() != 0, c.done);
    EXPECT_EQ(Traces(), c.traces);
  }
  // The changes whose read-back failed were made.
  Start("[usb]\nfail_controls = \"IOCTL_UFN_GET_CURRENT_CLIENT, IOCTL_UFN_GET_DEFAULT_CLIENT\"\n");
  ChangeCurrent();
  ChangeDefault();
  EXPECT_EQ(handset().program<sim::UsbFunction>().State().current_client, u"Mass_Storage_Class");
  EXPECT_EQ(handset().program<sim::UsbFunction>().State().default_client, u"Mass_Storage_Class");
}

// An input method that is missing or not started has nobody waiting on its event: the options
// are written all the same and the reset answers 1.
TEST_F(SettingsFailuresTest, KeyboardResetWithoutARunningInputMethodStillWrites) {
  for (const char* toml :
       {"[input_method]\npresent = false\n", "[input_method]\nrunning = false\n"}) {
    SCOPED_TRACE(toml);
    Start(toml);
    Store(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", u"iang", Sz(u"0"));
    EXPECT_EQ(SettingApiResetKeyBoard(), 1);
    EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", u"iang"), Sz(u"1"));
    EXPECT_TRUE(Entries("program").empty());
  }
}

// Files the application resets cannot delete, read-only or held open, stay; the other steps run
// and the resets answer 1.
TEST_F(SettingsFailuresTest, FilesThatCannotBeDeletedArePassedOver) {
  Start();
  const char16_t kList[] = u"\\Documents and Settings\\encryptFile.txt";
  handset().PutFile(kList, {'x'});
  ASSERT_TRUE(SetFileAttributesW(kList, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(SettingApiResetFileBrowserSettings(), 1);
  EXPECT_NE(GetFileAttributesW(kList), INVALID_FILE_ATTRIBUTES);

  Store(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"EbookPath", Sz(u"\\Disk\\Ebook"));
  handset().PutFile(u"\\Disk\\Ebook\\Ebook.ini", {'x'});
  handset().PutFile(u"\\Disk\\Ebook\\Ebook.dat", {'x'});
  HANDLE held =
      CreateFileW(u"\\Disk\\Ebook\\Ebook.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SettingApiResetEbookSettings(), 1);
  CloseHandle(held);
  EXPECT_NE(GetFileAttributesW(u"\\Disk\\Ebook\\Ebook.ini"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(u"\\Disk\\Ebook\\Ebook.dat"), INVALID_FILE_ATTRIBUTES);
}

// Without a shell, an input method, the drivers a reset calls, the Bluetooth applet or the
// platform information record, both resets still run every step and answer 1.
TEST_F(SettingsFailuresTest, ResetsRunEveryStepWhenEveryPeerFails) {
  Start(
      "[shell]\npresent = false\n[input_method]\npresent = false\n[platform]\nrecord = false\n"
      "[bluetooth]\napplet = \"missing\"\n[touch]\npresent = false\n[infrared]\npresent = false\n"
      "[usb]\npresent = false\n[display]\npresent = false\n");
  Store(HKEY_CURRENT_USER, u"ControlPanel\\BackLight", u"BacklightLevel", Dword(7));
  EXPECT_EQ(SettingApiResetFactorySettings(), 1);
  EXPECT_EQ(SettingApiResetNetSettings(), 1);
  // The steps on either side of the failing ones were made.
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"ControlPanel\\BackLight", u"BacklightLevel"), Dword(128));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\FlyMode", u"FlyModeFlag"), Dword(0));
  // Without the record the hardware version reads 0, which picks the BCSP transport.
  EXPECT_EQ(SettingApiGetHardwareVersionNumber(), 0);
  EXPECT_EQ(SettingApiIsWifiAvailable(), 1);
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Transports\\BuiltIn\\1",
                 u"Driver"),
            Sz(u"bthbcsp.dll"));
  EXPECT_EQ(Entries("device.control").size(), 0u);
}

}  // namespace
