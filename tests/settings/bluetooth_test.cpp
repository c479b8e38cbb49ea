#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"
#include "sim/bluetooth_applet/bluetooth.h"

namespace {

constexpr const char16_t* kPowerKey = u"SOFTWARE\\Microsoft\\Bluetooth\\Razud";
constexpr const char16_t* kDisplayKey = u"SOFTWARE\\Setting\\Display";
constexpr const char16_t* kEntryKey = u"SOFTWARE\\Setting\\Display\\main\\04";

class BluetoothTest : public HandsetTest {
 protected:
  sim::Locked<sim::BluetoothScript> Script() {
    return handset().program<sim::Bluetooth>().Script();
  }
  // Each call the applet answered: message, lParam1, lParam2 and result.
  std::vector<std::vector<std::string>> AppletCalls() {
    std::vector<std::vector<std::string>> calls;
    for (const auto& e : handset().journal().Entries("applet")) {
      EXPECT_EQ(e.Field("module"), "BluetoothCPL.dll");
      EXPECT_EQ(e.Field("hwnd"), "0x0");
      calls.push_back({e.Field("msg"), e.Field("lparam1"), e.Field("lparam2"), e.Field("result")});
    }
    return calls;
  }
  std::vector<std::string> Traces() {
    std::vector<std::string> lines;
    for (const auto& e : handset().journal().Entries("trace")) lines.push_back(e.Field("text"));
    return lines;
  }
  // The applet is loaded for the call and freed before it returns.
  void ExpectLoadedAndFreed(size_t times) {
    EXPECT_EQ(handset().journal().Entries("module.load").size(), times);
    EXPECT_EQ(handset().journal().Entries("module.free").size(), times);
  }
};

TEST_F(BluetoothTest, PowerSwitchHandsTheArgumentToTheAppletAndItsResultBack) {
  struct Case {
    INT on;
    LONG applet_result;
    // What the radio is afterwards, 1 or 0.
    INT radio;
  } cases[] = {
      {1, 1, 1},
      {0, 1, 0},
      {2, 7, 1},
      {-1, -5, 1},
      // The applet refuses: nothing changes.
      {0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.on << " " << c.applet_result);
    handset().journal().Clear();
    Script()->power_result = c.applet_result;
    EXPECT_EQ(SettingApiSwitchBTPower(c.on), c.applet_result);
    EXPECT_EQ(AppletCalls(),
              (std::vector<std::vector<std::string>>{
                  {"16", "0", std::to_string(c.on), std::to_string(c.applet_result)}}));
    ExpectLoadedAndFreed(1);
    EXPECT_TRUE(Traces().empty());
    EXPECT_EQ(SettingApiBTIsOn(), c.radio);
  }
}

TEST_F(BluetoothTest, PowerSwitchWithoutTheAppletOrItsEntryIsZeroAndTraced) {
  handset().program<sim::Bluetooth>().SetApplet(sim::Bluetooth::Applet::kMissing);
  EXPECT_EQ(SettingApiSwitchBTPower(1), 0);
  EXPECT_EQ(Traces(), std::vector<std::string>{"Load dll failed err 126..........\n"});
  EXPECT_EQ(handset().journal().Entries("module.free").size(), 0u);

  handset().journal().Clear();
  handset().program<sim::Bluetooth>().SetApplet(sim::Bluetooth::Applet::kWithoutEntry);
  EXPECT_EQ(SettingApiSwitchBTPower(1), 0);
  EXPECT_EQ(Traces(), std::vector<std::string>{"GetProcAddress failed..........\n"});
  ExpectLoadedAndFreed(1);
  EXPECT_TRUE(AppletCalls().empty());
  EXPECT_EQ(SettingApiBTIsOn(), 0);
}

TEST_F(BluetoothTest, NameUpToFiftyCharactersGoesToTheApplet) {
  struct Case {
    std::u16string name;
    LONG applet_result;
    INT result;
    bool called;
  } cases[] = {
      {u"Razud M8", 1, 1, true},
      {u"", 1, 1, true},
      {std::u16string(50, u'n'), 9, 9, true},
      {u"\u6c49\u5b57", 0, 0, true},
      {std::u16string(51, u'n'), 1, 0, false},
      {std::u16string(300, u'n'), 1, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.size());
    handset().journal().Clear();
    Script()->name_result = c.applet_result;
    Script()->name = u"before";
    EXPECT_EQ(SettingApiBTUpdateName(c.name.c_str()), c.result);
    if (c.called) {
      EXPECT_EQ(AppletCalls(), (std::vector<std::vector<std::string>>{
                                   {"101", U8(c.name), "0", std::to_string(c.applet_result)}}));
      ExpectLoadedAndFreed(1);
      EXPECT_EQ(Script()->name, c.applet_result ? c.name : u"before");
    } else {
      EXPECT_TRUE(handset().journal().Entries().empty());
    }
  }
}

TEST_F(BluetoothTest, NameFailuresAreZeroAndSilent) {
  EXPECT_EQ(SettingApiBTUpdateName(nullptr), 0);
  EXPECT_TRUE(handset().journal().Entries().empty());

  handset().program<sim::Bluetooth>().SetApplet(sim::Bluetooth::Applet::kWithoutEntry);
  EXPECT_EQ(SettingApiBTUpdateName(u"M8"), 0);
  ExpectLoadedAndFreed(1);

  handset().program<sim::Bluetooth>().SetApplet(sim::Bluetooth::Applet::kMissing);
  EXPECT_EQ(SettingApiBTUpdateName(u"M8"), 0);
  EXPECT_TRUE(AppletCalls().empty());
  EXPECT_TRUE(Traces().empty());
}

TEST_F(BluetoothTest, RadioIsOnWhenPowerOnReadsNonzero) {
  EXPECT_EQ(SettingApiBTIsOn(), 0);
  // Asking does not make the key.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPowerKey));
  struct Case {
    const char* name;
    StoredValue stored;
    INT on;
  } cases[] = {
      {"on", Dword(1), 1},
      {"off", Dword(0), 0},
      {"any nonzero", Dword(0x100), 1},
      {"two bytes", {REG_BINARY, {1, 0}}, 1},
      {"five bytes", {REG_BINARY, {1, 1, 1, 1, 1}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store(HKEY_LOCAL_MACHINE, kPowerKey, u"PowerOn", c.stored);
    EXPECT_EQ(SettingApiBTIsOn(), c.on);
    // A failed read writes nothing back.
    EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, kPowerKey, u"PowerOn"), c.stored);
  }
}

TEST_F(BluetoothTest, AvailableNeedsBothTheFlagAndTheEntry) {
  struct Case {
    const char* name;
    std::optional<StoredValue> bt_available;
    // Whether the "main\04" key exists, and its "Flag".
    bool entry_key;
    std::optional<StoredValue> flag;
    INT available;
  } cases[] = {
      {"both on", Dword(1), true, Dword(1), 1},
      {"any nonzero", Dword(2), true, Dword(0x10000), 1},
      {"entry key missing", Dword(1), false, std::nullopt, 0},
      {"entry without flag", Dword(1), true, std::nullopt, 0},
      {"entry off", Dword(1), true, Dword(0), 0},
      {"no Bluetooth", Dword(0), true, Dword(1), 0},
      {"BTAvailable missing", std::nullopt, true, Dword(1), 0},
      {"BTAvailable unreadable", StoredValue{REG_BINARY, {1, 1, 1, 1, 1}}, true, Dword(1), 0},
      {"flag unreadable", Dword(1), true, StoredValue{REG_BINARY, {1, 1, 1, 1, 1}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kDisplayKey);
    MakeKey(HKEY_LOCAL_MACHINE, kDisplayKey);
    if (c.bt_available) Store(HKEY_LOCAL_MACHINE, kDisplayKey, u"BTAvailable", *c.bt_available);
    if (c.entry_key) MakeKey(HKEY_LOCAL_MACHINE, kEntryKey);
    if (c.flag) Store(HKEY_LOCAL_MACHINE, kEntryKey, u"Flag", *c.flag);
    EXPECT_EQ(SettingApiIsBluetoothAvailable(), c.available);
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kEntryKey), c.entry_key);
  }
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kDisplayKey);
  EXPECT_EQ(SettingApiIsBluetoothAvailable(), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDisplayKey));
}

}  // namespace
