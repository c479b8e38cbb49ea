// m8sim device: listing, showing and setting the simulated devices, what a setting leaves for
// the next run, and the journal lines of device calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/nled.h"
#include "cli_run.h"
#include "journal_view.h"
#include "oem/drivers.h"
#include "sim/handset.h"
#include "temp_dir.h"

namespace {

class DeviceCliTest : public TempDirTest {
 protected:
  std::filesystem::path home() const { return dir() / "handset"; }
  CliResult Run(std::vector<std::string> args) { return RunCli(home(), std::move(args)); }
  // The "text" of the journal records of one kind (with --json).
  static std::vector<std::string> Texts(const CliResult& result, const std::string& kind) {
    std::vector<std::string> texts;
    for (const auto& r : result.Records())
      if (r["type"] == "journal" && r["kind"] == kind) texts.push_back(r["text"]);
    return texts;
  }
};

TEST_F(DeviceCliTest, ListsEveryDeviceWithItsPresence) {
  auto first = Run({"--json", "device", "list"});
  ASSERT_EQ(first.code, 0) << first.err;
  std::vector<std::string> names;
  for (const auto& r : first.Records()) {
    names.push_back(r["device"]);
    EXPECT_TRUE(r["present"].get<bool>());
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "ACC0:", "IRD1:", "BKL1:", "TCH0:", "UFN1:", "NDL1:", "LED"}));

  WriteText(home() / "handset.toml", "[infrared]\npresent = false\n");
  auto text = Run({"device", "list"});
  EXPECT_NE(text.out.find("IRD1:  infrared proximity sensor, absent\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("BKL1:  backlight and light sensor, present: level 160"),
            std::string::npos);
  auto shown = Run({"--json", "handset", "show"}).Records();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]["devices"].size(), 7u);
  EXPECT_EQ(shown[0]["devices"][1], (nlohmann::json{{"device", "IRD1:"}, {"present", false}}));
}

TEST_F(DeviceCliTest, ASettingIsWhatTheNextRunSees) {
  ASSERT_EQ(Run({"device", "set", "bkl1", "level=200", "lux_state=1"}).code, 0);
  ASSERT_EQ(Run({"device", "set", "UFN1", "connect=charger", "default_client="}).code, 0);
  auto backlight = Run({"--json", "device", "show", "BKL1:"}).Records();
  ASSERT_EQ(backlight.size(), 1u);
  EXPECT_EQ(backlight[0]["state"]["level"], 200);
  EXPECT_EQ(backlight[0]["state"]["lux_state"], 1);
  auto usb = Run({"--json", "device", "show", "ufn1:"}).Records();
  EXPECT_EQ(usb[0]["state"]["connection_name"], "charger");
  EXPECT_EQ(usb[0]["state"]["default_client"], "");

  // A program run afterwards reads the level through the driver.
  sim::Handset::Options options;
  options.home = home();
  sim::Handset handset(options);
  HANDLE bkl = CreateFileW(kBacklightDevice, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD level = 0;
  DWORD done = 0;
  ASSERT_TRUE(ReadFile(bkl, &level, 4, &done, nullptr));
  EXPECT_EQ(level, 200u);
  CloseHandle(bkl);
}

TEST_F(DeviceCliTest, ATiltIsReadBackByCallsMadeInTurnByOneProgram) {
  ASSERT_EQ(Run({"device", "set", "ACC0:", "x=-5", "y=10", "z=0"}).code, 0);
  auto read = Run({"--json", "call", "AccAPIOpen", "+", "AccAPIGetXYZ", "out", "out", "out"});
  ASSERT_EQ(read.code, 0) << read.err;
  std::vector<nlohmann::json> calls;
  std::vector<std::string> journal_of;
  for (const auto& r : read.Records()) {
    if (r["type"] == "call") calls.push_back(r);
    if (r["type"] == "journal") journal_of.push_back(r["export"]);
  }
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]["result"], 1);
  EXPECT_EQ(calls[1]["outputs"], nlohmann::json({{"pX", -5}, {"pY", 10}, {"pZ", 0}}));
  // Each call's effects are shown under it once: the open under the first, the reads under
  // the second.
  ASSERT_FALSE(journal_of.empty());
  EXPECT_EQ(journal_of.front(), "AccAPIOpen");
  EXPECT_EQ(journal_of.back(), "AccAPIGetXYZ");

  // A call that does not fit stops every call before any is made.
  for (std::vector<std::string> bad : {std::vector<std::string>{"AccAPIOpen", "+"},
                                       {"AccAPIOpen", "+", "+", "AccAPIClose"},
                                       {"AccAPIOpen", "+", "AccAPIGetX", "far"}}) {
    bad.insert(bad.begin(), {"--json", "call"});
    auto refused = Run(bad);
    EXPECT_EQ(refused.code, 2) << bad.back();
    EXPECT_TRUE(refused.out.empty()) << refused.out;
  }
}

TEST_F(DeviceCliTest, SettingsNoteWhatTheDeviceDid) {
  auto tilt = Run({"--json", "device", "set", "acc0", "x=-5", "y=10", "z=0"});
  ASSERT_EQ(tilt.code, 0) << tilt.err;
  EXPECT_EQ(tilt.Records()[0]["summary"], "x -5, y 10, z 0, no message");
  EXPECT_EQ(Texts(tilt, "device"), std::vector<std::string>{"device    ACC0: tilt x=-5 y=10 z=0"});

  auto vibrate = Run({"device", "set", "LED", "mode=blink", "on_us=500000", "off_us=250000"});
  ASSERT_EQ(vibrate.code, 0) << vibrate.err;
  EXPECT_NE(vibrate.out.find("vibrator blinks 500 ms on, 250 ms off, every 750 ms"),
            std::string::npos)
      << vibrate.out;
  auto shown = Run({"--json", "device", "show", "led"}).Records();
  EXPECT_EQ(shown[0]["state"]["vibrator"]["on_us"], 500000);
}

TEST_F(DeviceCliTest, BadNamesFieldsAndValues) {
  WriteText(home() / "handset.toml", "[touch]\npresent = false\n");
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"device", "show", "XYZ9:"}, 2, "no device XYZ9: (devices: ACC0:"},
           {{"device", "set", "ACC0:", "w=1"}, 2, "ACC0: has no field w (its fields: x, y, z)"},
           {{"device", "set", "ACC0:", "x=128"}, 2, "x=128: expected a number from -128 to 127"},
           {{"device", "set", "ACC0:", "x"}, 2, "expected FIELD=VALUE, not x"},
           {{"device", "set", "IRD1:", "level=4"}, 2, "level=4"},
           {{"device", "set", "UFN1:", "current_client=Printer"}, 2, "not a client"},
           {{"device", "set", "LED", "mode=blink", "on_us=10", "off_us=10", "cycle_us=5"},
            2,
            "refuses"},
           {{"device", "set", "TCH0:", "x=1"}, 1, "the handset has no TCH0:"},
           {{"device", "set", "BKL1:"}, 2, ""},
           {{"device"}, 2, ""},
       }) {
    auto result = Run(c.args);
    EXPECT_EQ(result.code, c.code) << c.args.back() << ": " << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
  WriteText(home() / "handset.toml", "[leds]\nfail_controls = \"NLedSetDevice\"\n");
  auto failing = Run({"device", "set", "LED", "mode=on"});
  EXPECT_EQ(failing.code, 1);
  EXPECT_NE(failing.err.find("the LED service fails every change (error 31)"), std::string::npos)
      << failing.err;
  // Nothing that was refused changed anything.
  auto acc = Run({"--json", "device", "show", "acc0"}).Records();
  EXPECT_EQ(acc[0]["state"]["x"], 0);
}

TEST_F(DeviceCliTest, TheJournalShowsDeviceCallsByControlName) {
  sim::Handset handset;
  HANDLE acc = CreateFileW(kAccelerometerDevice, GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  uint8_t axes[3];
  DWORD returned = 0;
  ASSERT_TRUE(DeviceIoControl(acc, IOCTL_ACC_GET_XYZ, nullptr, 0, axes, 3, &returned, nullptr));
  EXPECT_FALSE(DeviceIoControl(acc, 0x12345, nullptr, 0, nullptr, 0, &returned, nullptr));
  CloseHandle(acc);
  std::vector<std::string> lines;
  for (const auto& entry : handset.journal().EntriesWithPrefix("device."))
    lines.push_back(m8sim::DescribeEntry(entry));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("device    open ACC0: access 0xc0000000 share 0x3 -> handle ", 0), 0u)
      << lines[0];
  EXPECT_NE(lines[1].find("IOCTL_ACC_GET_XYZ (0x0004000c), output 0000c0 -> 1"), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find(" 0x00012345 -> 0, error 87"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3].rfind("device    close ACC0: (", 0), 0u) << lines[3];
}

TEST_F(DeviceCliTest, TheJournalShowsTheVibratorSet) {
  sim::Handset handset;
  NLED_SETTINGS_INFO vibrate = {1, NLED_BLINK, 1000000, 500000, 500000, 0, 0};
  ASSERT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &vibrate));
  NLED_SETTINGS_INFO refused = {1, NLED_BLINK, 10, 500000, 500000, 0, 0};
  EXPECT_FALSE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &refused));
  std::vector<std::string> lines;
  for (const auto& entry : handset.journal().Entries())
    lines.push_back(m8sim::DescribeEntry(entry));
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "device    LED led 1 (vibrator) blinks 500 ms on, 500 ms off, every 1000 ms",
                "led       set LED 1 blink, cycle 1000000 us, on 500000 us, off 500000 us -> 1",
                "led       set LED 1 blink, cycle 10 us, on 500000 us, off 500000 us -> 0, "
                "error 87"}));
}

}  // namespace
