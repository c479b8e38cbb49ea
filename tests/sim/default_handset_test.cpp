// The default handset: made from its data files, it is a handset the library works on.
#include <gtest/gtest.h>

#include "frame/exports.h"
#include "handset_fixture.h"
#include "oem/phone_adapter.h"
#include "reg_support.h"
#include "sim/default_handset.h"
#include "sim/handset.h"
#include "sim/modem/modem.h"
#include "sim/phone_adapter/phone_adapter_program.h"
#include "sim/regfile/reg_file.h"
#include "telephony/access_point.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

using DefaultHandsetTest = TempDirTest;

TEST_F(DefaultHandsetTest, FreshHomeGetsTheFilesWithoutKeepMarkers) {
  fs::path home = dir() / "a" / "handset";
  sim::InitHandset(home);
  fs::path data = sim::DefaultHandsetData();
  EXPECT_EQ(FileBytes(home / "fs/Windows/46000.ini"), FileBytes(data / "fs/Windows/46000.ini"));
  EXPECT_EQ(FileBytes(home / "handset.toml"), FileBytes(data / "handset.toml"));
  fs::path log = home / "fs/Disk/Application Data/Log";
  ASSERT_TRUE(fs::is_directory(log));
  EXPECT_TRUE(fs::is_empty(log));
  EXPECT_TRUE(fs::exists(home / "registry.db"));
}

TEST_F(DefaultHandsetTest, RegistryIsTheFactoryFileExactly) {
  sim::InitHandset(dir());
  sim::Handset handset(sim::Handset::Options{dir(), false});
  ForgetLoadedDevices();
  EXPECT_EQ(sim::ExportRegistry({}), FileBytes(sim::DefaultHandsetData() / "registry.reg"));
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"UsrConnectNodePath"),
            (RegValue{REG_SZ, SzBytes(u"\\Disk\\Application Data\\Connect\\UsrConnectNode.ini")}));
}

TEST_F(DefaultHandsetTest, LibraryFindsTheSelectedAccessPointAndDials) {
  sim::InitHandset(dir());
  sim::Handset handset(sim::Handset::Options{dir(), false});
  EXPECT_EQ(U8(handset.program<sim::PhoneAdapter>().phone().Script()->imsi), "460001234567890");
  WCHAR name[255] = {};
  ASSERT_TRUE(GetDefaultAccessName(name));
  EXPECT_EQ(U8(name), "CMNET");
  EXPECT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 0), 1);
  EXPECT_TRUE(handset.program<sim::Modem>().Connected());
  EXPECT_EQ(U8(handset.program<sim::Modem>().LastDial().apn), "cmnet");
  EXPECT_EQ(QueryNetWorkStatus(), 5u);
}

TEST_F(DefaultHandsetTest, HomeThatHoldsAHandsetIsRefusedUntouched) {
  sim::InitHandset(dir());
  WriteText(dir() / "fs/Windows/46000.ini", "changed");
  EXPECT_THROW(sim::InitHandset(dir()), sim::HandsetInitError);
  EXPECT_EQ(FileBytes(dir() / "fs/Windows/46000.ini"),
            std::vector<uint8_t>({'c', 'h', 'a', 'n', 'g', 'e', 'd'}));

  WriteText(dir() / "other/journal.jsonl", "{}\n");
  EXPECT_THROW(sim::InitHandset(dir() / "other"), sim::HandsetInitError);
  WriteText(dir() / "plain-file", "x");
  EXPECT_THROW(sim::InitHandset(dir() / "plain-file"), sim::HandsetInitError);
}

TEST_F(DefaultHandsetTest, BrokenDataLeavesNothingBehind) {
  fs::path data = dir() / "data";
  fs::copy(sim::DefaultHandsetData(), data, fs::copy_options::recursive);
  WriteText(data / "registry.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dword:zz\r\n");
  setenv("M8_DEFAULT_HANDSET_DATA", data.c_str(), 1);
  EXPECT_EQ(sim::DefaultHandsetData(), data);
  try {
    sim::InitHandset(dir() / "home");
    ADD_FAILURE() << "made a handset from a broken registry.reg";
  } catch (const sim::HandsetInitError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }
  // Neither the home nor the folder it was being made in is left.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir()))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"data"});
  unsetenv("M8_DEFAULT_HANDSET_DATA");
}

}  // namespace
