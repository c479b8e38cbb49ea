// handset.toml: a home's file gives the handset its hardware; a bad file is named precisely.
#include <gtest/gtest.h>

#include "ce/sysinfo.h"
#include "cehost/network.h"
#include "handset_fixture.h"
#include "sim/bluetooth_applet/bluetooth.h"
#include "sim/default_handset.h"
#include "sim/handset.h"
#include "sim/modem/modem.h"
#include "sim/phone_adapter/phone_adapter_program.h"
#include "temp_dir.h"

namespace {

using HandsetConfigTest = TempDirTest;

std::vector<uint32_t> PlatformWords() {
  std::vector<uint32_t> words(10, 0xEEEEEEEE);
  if (!SystemParametersInfoW(SPI_GETPLATFORMINFO, 40, words.data(), 1)) return {};
  return words;
}

TEST_F(HandsetConfigTest, HandsetOpenedOnAHomeGetsTheHardwareItsFileDescribes) {
  WriteText(dir() / "handset.toml", R"(
[platform]
hardware_version = 2
wifi = false
[phone]
imsi = "460019876543210"
missed_calls = 3
imei_fails = true
[modem]
dial_result = 691
[bluetooth]
name = "Razud"
[[network.interfaces]]
kind = "loopback"
[[network.interfaces]]
kind = "wifi"
chip = "SDIO86881"
address = "192.168.8.5"
[[network.interfaces]]
kind = "other"
index = 9
description = "Test link"
metric = 7
)");
  sim::Handset handset(sim::Handset::Options{dir(), false});
  EXPECT_EQ(U8(handset.program<sim::PhoneAdapter>().phone().Script()->imsi), "460019876543210");
  EXPECT_EQ(handset.program<sim::PhoneAdapter>().phone().Script()->missed_calls, 3u);
  EXPECT_TRUE(handset.program<sim::PhoneAdapter>().phone().Script()->imei_fails);
  EXPECT_EQ(U8(handset.program<sim::PhoneAdapter>().phone().Script()->model), "M8")
      << "a key left out keeps its default";
  EXPECT_EQ(handset.program<sim::Modem>().Script()->dial_result, 691u);
  EXPECT_EQ(U8(handset.program<sim::Bluetooth>().Script()->name), "Razud");
  auto check_mounted_parts = [] {
    std::vector<uint32_t> words = PlatformWords();
    ASSERT_EQ(words.size(), 10u);
    EXPECT_EQ(words[6], 2u);
    EXPECT_EQ(words[8], 1u);
    auto links = cehost::NetworkInterfaces();
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[1].adapter_name, "SDIO86881");
    EXPECT_EQ(links[1].address, "192.168.8.5");
    EXPECT_EQ(links[1].gateway, "192.168.1.1");
    EXPECT_EQ(links[2].index, 9u);
    EXPECT_EQ(links[2].description, "Test link");
    EXPECT_EQ(links[2].metric, 7u);
  };
  check_mounted_parts();
  // Made current again, as after a restart, the handset comes back with the same hardware.
  handset.MakeCurrent();
  check_mounted_parts();
}

TEST_F(HandsetConfigTest, NoRecordAndNoInterfacesCanBeSaid) {
  WriteText(dir() / "handset.toml", "platform.record = false\nnetwork.interfaces = []\n");
  sim::Handset handset(sim::Handset::Options{dir(), false});
  EXPECT_TRUE(PlatformWords().empty());
  EXPECT_TRUE(cehost::NetworkInterfaces().empty());
}

TEST_F(HandsetConfigTest, BadFileNamesFileLineAndKey) {
  struct Case {
    std::string text;
    std::string says;
  } cases[] = {
      {"[phone]\nimsi = \"4600\nmodel = \"M8\"\n", ":2: syntax: "},
      {"[phone]\n\nimsi = 460001234567890\n", ":3: phone.imsi: expected a string"},
      {"[phone]\nmissed_calls = -1\n", ":2: phone.missed_calls: expected an integer from 0 to"},
      {"[modem]\ndial_result = 4294967296\n", ":2: modem.dial_result: expected an integer"},
      {"[phone]\nimsy = \"1\"\n", ":2: phone.imsy: unknown key"},
      {"[radio]\n", ":1: radio: unknown key"},
      {"platform = 3\n", ":1: platform: expected a table"},
      {"[bluetooth]\napplet = \"maybe\"\n", ":2: bluetooth.applet: expected one of \"installed\""},
      {"[platform]\nwifi = 1\n", ":2: platform.wifi: expected true or false"},
      {"[shell]\nrunning = \"no\"\n", ":2: shell.running: expected true or false"},
      {"[shell]\nstarted = false\n", ":2: shell.started: unknown key"},
      {"[modem]\naddress = \"10.0.0\"\n", ":2: modem.address: expected a dotted IPv4 address"},
      {"[[network.interfaces]]\nindex = 4\n", ":1: network.interfaces[0].kind: missing"},
      {"[[network.interfaces]]\nkind = \"usb\"\nchip = \"SDIO86881\"\n",
       ":3: network.interfaces[0].chip: only a \"wifi\" interface has a chip"},
      {"[[network.interfaces]]\nkind = \"loopback\"\n[[network.interfaces]]\nkind = \"other\"\n"
       "index = 1\n",
       ":3: network.interfaces[1].index: index 1 is taken"},
      {"[sip]\nmissing_entries = \"MzIsSipOpen, MzOpen\"\n",
       ":2: sip.missing_entries: no UI library entry MzOpen"},
      {"[sip]\nmodule = \"absent\"\n", ":2: sip.module: expected one of"},
      {"[sip]\nscreen_height = -720\n", ":2: sip.screen_height: a size is at least 0"},
  };
  for (const Case& c : cases) {
    std::filesystem::path file = dir() / "handset.toml";
    WriteText(file, c.text);
    try {
      sim::LoadHandsetConfig(file);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const sim::HandsetConfigError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(file.string() + c.says, 0), 0u) << e.what();
    }
  }
}

TEST_F(HandsetConfigTest, HandsetRefusesAHomeWithABadFile) {
  WriteText(dir() / "handset.toml", "[phone]\nmissed_calls = \"three\"\n");
  EXPECT_THROW(sim::Handset(sim::Handset::Options{dir(), false}), sim::HandsetConfigError);
}

}  // namespace
