#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ce/ras.h"
#include "cehost/ras.h"
#include "frame/exports.h"
#include "gprs_fixture.h"
#include "sim/modem/modem.h"
#include "sim/phone_adapter/phone_adapter_program.h"
#include "sim/state_file.h"

namespace {

constexpr const char16_t* kEdge = u"ControlPanel\\Setting\\EDGE";

std::atomic<int> g_calls{0};
std::atomic<DWORD> g_value{0};
void Callback(DWORD value) {
  g_value = value;
  ++g_calls;
}

class GprsDialTest : public GprsTest {
 protected:
  void SetUp() override {
    GprsTest::SetUp();
    g_calls = 0;
    g_value = 0;
  }
  // Waits for the callback's calls, and for every worker started to have ended.
  bool WaitForCalls(int calls) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (g_calls.load() < calls || handset().journal().Entries("thread.end").size() <
                                         handset().journal().Entries("thread.start").size()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::yield();
    }
    return true;
  }
};

TEST_F(GprsDialTest, ModesAgainstTheMobileDataSwitch) {
  SetDword(HKEY_CURRENT_USER, kEdge, u"Switch", 0);
  struct {
    DWORD mode;
    LONG result;
  } cases[] = {{1, 1}, {4, 3}, {0, 3}, {2, 3}, {5, 3}};
  for (const auto& c : cases) {
    handset().journal().Clear();
    EXPECT_EQ(Dial_StartGprsConnect2(nullptr, c.mode, nullptr), c.result) << c.mode;
    if (c.result == 3) {
      EXPECT_TRUE(Traced("Corvanta::gprs if off\r\n")) << c.mode;
    }
    Dial_StopGprsConnect2(nullptr);
  }
  // Through the window-handle form, too.
  EXPECT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 4), 3);
  EXPECT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 1), 1);
}

TEST_F(GprsDialTest, MissingSwitchesCountAsOnAndAreCreatedEmpty) {
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 0, nullptr), 1);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kEdge, 0, 0, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Switch", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(GprsDialTest, RoamingIsRefusedWhenRoamingDataIsOff) {
  SetDword(HKEY_CURRENT_USER, kEdge, u"RoamSwitch", 0);
  handset().program<sim::PhoneAdapter>().phone().Script()->registration_status = 5;
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 1, nullptr), 3);
  EXPECT_TRUE(Traced("Corvanta::HandleGprsSettingStatus::RIL_REGSTAT_ROAMING status return \r\n"));
  handset().program<sim::PhoneAdapter>().phone().Script()->registration_status = 1;
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 1, nullptr), 1);
  Dial_StopGprsConnect2(nullptr);
  handset().program<sim::PhoneAdapter>().phone().Script()->session_start_fails = true;
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 1, nullptr), 3);
  EXPECT_TRUE(Traced("Corvanta::HandleGprsSettingStatus::PAC_PInitialize:is fail\r\n"));
}

TEST_F(GprsDialTest, AnotherNetworkRefusesOnlyTheModesThatRespectIt) {
  WifiUp();
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 0, nullptr), 3);
  EXPECT_TRUE(Traced("ConnectManager::have existing network\r\n"));
  EXPECT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 4), 3);
  // Mode 4 through the callback form, and mode 1, dial anyway.
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 4, nullptr), 1);
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 1, nullptr), 1);
}

TEST_F(GprsDialTest, EveryDialFailureIsTraced) {
  struct Case {
    const char* what;
    void (*arrange)(sim::Handset&);
    const char* trace;
  } cases[] = {
      {"call in progress",
       [](sim::Handset& h) {
         h.program<sim::PhoneAdapter>().phone().Script()->calls_in_progress = 1;
       },
       "Corvanta::StartRasConnect::have existing call.\r\n"},
      {"no selected access point",
       [](sim::Handset& h) { h.PutFile(u"\\Windows\\46000.ini", IniBytes(u"[A]\r\n  APN=a")); },
       "Corvanta::GetAccessPointContent::Get Default Access Name is fail\r\n"},
      {"entry not stored", [](sim::Handset&) { cehost::LockPhoneBook(true); },
       "Corvanta::SetRasEntry::RasSetEntryProperties is error = 0x0000026d\r\n"},
      {"adapter not ready",
       [](sim::Handset& h) { h.program<sim::PhoneAdapter>().phone().Script()->session_status = 1; },
       "Corvanta::StartRasConnect::is not PAL_SESSSTATUS_READY\r\n"},
      {"dial failed", [](sim::Handset& h) { h.program<sim::Modem>().Script()->dial_result = 678; },
       "Corvanta::SetRasEntry::RasDial is error = 678\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    handset_.reset();
    SetUp();
    c.arrange(handset());
    EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 0, nullptr), 3);
    EXPECT_TRUE(Traced(c.trace));
  }
  // A failed dial is hung up at once.
  auto hangups = handset().journal().Entries("ras.hangup");
  ASSERT_EQ(hangups.size(), 1u);
  EXPECT_EQ(hangups[0].Field("was_up"), "0");
}

TEST_F(GprsDialTest, EntryAndModemConfigurationAreLaidOutForTheModem) {
  ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 0, u"CMWAP"), 1);
  RASENTRY entry = {};
  entry.dwSize = sizeof entry;
  DWORD entry_size = sizeof entry;
  UNIMODEM_DEVCONFIG config = {};
  DWORD config_size = sizeof config;
  WCHAR name[] = u"GPRS";
  ASSERT_EQ(RasGetEntryProperties(nullptr, name, &entry, &entry_size,
                                  reinterpret_cast<BYTE*>(&config), &config_size),
            0u);
  EXPECT_EQ(entry.dwfOptions, 0x208u);
  EXPECT_EQ(entry.dwCountryCode, 86u);
  EXPECT_EQ(std::u16string(entry.szAreaCode), u"10");
  EXPECT_EQ(std::u16string(entry.szLocalPhoneNumber), u"*99**1#");
  EXPECT_EQ(entry.dwfNetProtocols, 4u);
  EXPECT_EQ(entry.dwFramingProtocol, 1u);
  EXPECT_EQ(std::u16string(entry.szDeviceType), u"modem");
  EXPECT_EQ(std::u16string(entry.szDeviceName), u"Hayes COM9:");
  ASSERT_EQ(config_size, 536u);
  const BYTE head[22] = {0x30, 0, 0, 0, 120, 0, 0, 0, 0, 1, 0, 0, 0, 0x84, 3, 0, 0, 0, 8, 0, 0, 0};
  EXPECT_EQ(std::memcmp(&config, head, sizeof head), 0);
  EXPECT_EQ(std::u16string(config.szDialModifier), u"+CGATT=1;+CGDCONT=1,\"ip\",\"cmwap\";");

  // The authentication command comes first when "GprsApType" asks for one.
  for (DWORD type : {1u, 2u}) {
    SetDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsApType", type);
    ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 1, u"CMWAP"), 1);
    auto set = handset().journal().Entries("ras.set_entry").back();
    std::string expected = "+XGAUTH=1," + std::to_string(type) +
                           ",\"wap\",\"secret\";+CGATT=1;+CGDCONT=1,\"ip\",\"cmwap\";";
    EXPECT_EQ(set.Field("modifier"), expected);
    EXPECT_EQ(handset().program<sim::Modem>().LastDial().apn, u"cmwap");
    EXPECT_EQ(handset().program<sim::Modem>().LastDial().auth_type, static_cast<int>(type));
  }
  EXPECT_EQ(handset().program<sim::Modem>().LastDial().user_name, u"wap");
}

TEST_F(GprsDialTest, ProxyFlagNeedsBothAddressAndPort) {
  struct {
    std::u16string agency_and_port;
    DWORD proxy;
  } cases[] = {{u"  AGENCY=10.0.0.172\r\n  PORT=80", 1},
               {u"  AGENCY=10.0.0.172\r\n  PORT=0", 0},
               {u"  AGENCY=\r\n  PORT=80", 0},
               {u"", 0}};
  for (const auto& c : cases) {
    handset().PutFile(u"\\Windows\\46000cpy.ini",
                      IniBytes(u"[P]\r\n  IsSelect=1\r\n  APN=x\r\n" + c.agency_and_port));
    ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 1, nullptr), 1);
    DWORD proxy = 99;
    ASSERT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsIsProxy", &proxy));
    EXPECT_EQ(proxy, c.proxy) << U8(c.agency_and_port);
  }
}

TEST_F(GprsDialTest, TheCallbackIsToldOfLaterDialsInBothForms) {
  ASSERT_EQ(Dial_StartGprsConnect2(&Callback, 1, nullptr), 1);
  ASSERT_TRUE(WaitForCalls(1));
  EXPECT_EQ(g_value.load(), 1u);
  // A window-handle-form dial calls the stored callback again.
  ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 1), 1);
  ASSERT_TRUE(WaitForCalls(2));
  // A refused callback-form dial leaves it stored; a null callback clears it.
  SetDword(HKEY_CURRENT_USER, kEdge, u"Switch", 0);
  EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 0, nullptr), 3);
  SetDword(HKEY_CURRENT_USER, kEdge, u"Switch", 1);
  ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 1, nullptr), 1);
  ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 1), 1);
  EXPECT_EQ(handset().journal().Entries("thread.start").size(), 2u);
  EXPECT_EQ(g_calls.load(), 2);
}

TEST_F(GprsDialTest, HangUpFoldsTrafficAnnouncesAndDeletesTheEntry) {
  handset().program<sim::Modem>().Script()->connection_sent = 1000;
  handset().program<sim::Modem>().Script()->connection_received = 5000;
  ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 1, nullptr), 1);
  EXPECT_TRUE(handset().program<sim::Modem>().Connected());
  handset().journal().Clear();
  EXPECT_EQ(CalllNotifyApiStopGprsConnect2(nullptr), 1);
  EXPECT_FALSE(handset().program<sim::Modem>().Connected());
  EXPECT_TRUE(Traced("Corvanta::Dial_StopGprsConnect2::RasHangUp is successful\r\n"));
  auto posts = handset().journal().Entries("window.post");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Field("to"), "HWND_BROADCAST");
  EXPECT_EQ(posts[0].Field("wparam"), "0x2");
  EXPECT_EQ(Totals(), std::make_pair(DWORD{5000}, DWORD{1000}));
  EXPECT_EQ(handset().journal().Entries("ras.delete_entry").size(), 1u);

  // Without a GPRS connection: GPRS is detached all the same, nothing else happens.
  handset().journal().Clear();
  EXPECT_EQ(Dial_StopGprsConnect2(nullptr), 1);
  auto calls = PhoneCalls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "PAC_SSetGPRSAttached"), calls.end());
  EXPECT_TRUE(handset().journal().Entries("window.post").empty());
  EXPECT_TRUE(handset().journal().Entries("ras.delete_entry").empty());
  EXPECT_TRUE(handset().journal().EntriesWithPrefix("reg.").empty());
}

// Other dial-up links up on the handset, more than the ten the hang-up's first list holds: those
// whose entry name holds "GPRS" anywhere (in that case) go down with the modem's, the others stay.
TEST_F(GprsDialTest, HangUpEndsEveryLinkNamedWithGprsAndNoOther) {
  std::string links = R"("Office VPN", "MyGPRSLink", "my gprs")";
  for (int i = 0; i < 10; ++i) links += ", \"Line " + std::to_string(i) + "\"";
  links += R"(, "GPRS backup")";
  StartWith("[ras]\nlinks = [" + links + "]\n");
  ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 0, nullptr), 1);
  handset().journal().Clear();
  EXPECT_EQ(Dial_StopGprsConnect2(nullptr), 1);
  std::vector<std::string> ended;
  for (const auto& e : handset().journal().Entries("ras.hangup")) ended.push_back(e.Field("entry"));
  std::sort(ended.begin(), ended.end());
  EXPECT_EQ(ended, (std::vector<std::string>{"GPRS", "GPRS backup", "MyGPRSLink"}));
  auto traces = Traces();
  EXPECT_EQ(std::count(traces.begin(), traces.end(),
                       "Corvanta::Dial_StopGprsConnect2::ras connect count = 15...\r\n"),
            3);
  EXPECT_EQ(handset().journal().Entries("window.post").size(), 1u);

  RASCONN list[16] = {};
  list[0].dwSize = sizeof(RASCONN);
  DWORD size = sizeof list;
  DWORD count = 0;
  ASSERT_EQ(RasEnumConnections(list, &size, &count), 0u);
  EXPECT_EQ(count, 12u);
  for (DWORD i = 0; i < count; ++i)
    EXPECT_EQ(U8(list[i].szEntryName).find("GPRS"), std::string::npos);
}

}  // namespace

namespace {

// The whole road on a fresh handset: the selected access point is dialled, the network status
// sees the GPRS link, the hang-up folds the traffic into the totals.
TEST_F(GprsDialTest, TheWholeRoad) {
  handset().program<sim::Modem>().Script()->connection_sent = 300;
  handset().program<sim::Modem>().Script()->connection_received = 4000;
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
  ASSERT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 0), 1);
  EXPECT_EQ(handset().program<sim::Modem>().LastDial().apn, u"cmnet");
  EXPECT_EQ(handset().program<sim::Modem>().LastDial().number, u"*99**1#");
  EXPECT_TRUE(Traced("Corvanta::StartRasConnect::apn name =cmnet\r\n"));
  EXPECT_EQ(CalllNotifyApiQueryNetWorkStatus(), 5);
  EXPECT_EQ(CalllNotifyApiStopGprsConnect2(nullptr), 1);
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
  EXPECT_EQ(Totals(), std::make_pair(DWORD{4000}, DWORD{300}));
  // The working copy was made on the way.
  EXPECT_FALSE(handset().ReadFile(u"\\Windows\\46000cpy.ini").empty());
}

}  // namespace

namespace {

// Failures that handset.toml scripts, each on a handset of its own: the dial's result, its trace
// and whether the connection is up afterwards.
TEST_F(GprsDialTest, ScriptedFailuresOfTheDial) {
  struct Case {
    const char* toml;
    LONG result;
    const char* trace;
  } cases[] = {
      {"[ras]\nphone_book = \"locked\"\n", 3,
       "Corvanta::SetRasEntry::RasSetEntryProperties is error = 0x0000026d\r\n"},
      {"[modem]\ndial_result = 691\n", 3, "Corvanta::SetRasEntry::RasDial is error = 691\r\n"},
      {"[phone]\ncalls_in_progress = 2\n", 3, "Corvanta::StartRasConnect::have existing call.\r\n"},
      {"[phone]\nsession_status = 1\n", 3,
       "Corvanta::StartRasConnect::is not PAL_SESSSTATUS_READY\r\n"},
      // A session status the adapter does not deliver, or delivers without writing, lets the
      // dial go on.
      {"[phone]\nsession_status = 1\nsession_status_fails = true\n", 1,
       "Corvanta::SetRasEntry::RasDial is successful\r\n"},
      {"[phone]\nsession_status = 1\nunwritten_outputs = \"PAL_SGetSessionStatus\"\n", 1,
       "Corvanta::SetRasEntry::RasDial is successful\r\n"},
      // Roaming data off: roaming refuses, an unwritten status counts as not roaming.
      {"[phone]\nregistration_status = 5\n", 3,
       "Corvanta::HandleGprsSettingStatus::RIL_REGSTAT_ROAMING status return \r\n"},
      {"[phone]\nregistration_status = 5\nunwritten_outputs = \"PAC_SGetRegistrationStatus\"\n", 1,
       "Corvanta::SetRasEntry::RasDial is successful\r\n"},
      {"[phone]\nsession_start_fails = true\n", 3,
       "Corvanta::HandleGprsSettingStatus::PAC_PInitialize:is fail\r\n"},
      // An IMSI that is not reported gives operator 0, which has no profile file.
      {"[phone]\nunwritten_outputs = \"PAL_SGetPhoneIMSI\"\n", 3,
       "Corvanta::GetAccessPointContent::Get Default Access Name is fail\r\n"},
      {"[phone]\nimsi = \"310260123456789\"\n", 3,
       "Corvanta::SetRasEntry::GetAccessPointContent is fail\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.toml);
    StartWith(c.toml);
    SetDword(HKEY_CURRENT_USER, kEdge, u"RoamSwitch", 0);
    EXPECT_EQ(Dial_StartGprsConnect2(nullptr, 0, nullptr), c.result);
    EXPECT_TRUE(Traced(c.trace));
    EXPECT_EQ(QueryNetWorkStatus(), c.result == 1 ? 5u : 1u);
  }
}

// A modem that refuses to end the connection: the hang-up traces the error and goes on as if it
// had ended (broadcast, totals, entry deleted), but the connection stays up until the modem
// takes a hang-up again.
TEST_F(GprsDialTest, ARefusedHangUpLeavesTheConnectionUp) {
  StartWith("[modem]\nhangup_result = 668\nconnection_sent = 10\n");
  ASSERT_EQ(Dial_StartGprsConnect2(nullptr, 0, nullptr), 1);
  handset().journal().Clear();
  EXPECT_EQ(Dial_StopGprsConnect2(nullptr), 1);
  EXPECT_TRUE(Traced("Corvanta::Dial_StopGprsConnect2::RasHangUp error=668.\r\n"));
  EXPECT_EQ(handset().journal().Entries("window.post").size(), 1u);
  EXPECT_EQ(handset().journal().Entries("ras.delete_entry").size(), 1u);
  EXPECT_EQ(QueryNetWorkStatus(), 5u);
  handset().program<sim::Modem>().Script()->hangup_result = 0;
  EXPECT_EQ(Dial_StopGprsConnect2(nullptr), 1);
  EXPECT_TRUE(Traced("Corvanta::Dial_StopGprsConnect2::RasHangUp is successful\r\n"));
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
}

// The connection and the phone's counters outlive the handset's mount, as they outlive a process:
// the next mount of the home sees the link, hangs it up and folds its traffic; state.json takes
// over from the script's counters once they change, until it is cleared.
TEST_F(GprsDialTest, TheConnectionOutlivesTheMount) {
  StartWith(
      "[modem]\nconnection_sent = 7\nconnection_received = 70\n"
      "[phone]\ntraffic_sent = 1\ntraffic_received = 2\n");
  ASSERT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 0), 1);
  Remount();
  EXPECT_TRUE(handset().program<sim::Modem>().Connected());
  EXPECT_TRUE(handset().program<sim::PhoneAdapter>().phone().Live().gprs_attached);
  EXPECT_EQ(QueryNetWorkStatus(), 5u);
  // Another dial over the modem while it holds the connection is refused.
  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  std::memcpy(params.szEntryName, u"GPRS", 10);
  HRASCONN second = nullptr;
  EXPECT_EQ(RasDial(nullptr, nullptr, &params, 0xFFFFFFFF, nullptr, &second),
            DWORD{ERROR_PORT_ALREADY_OPEN});
  EXPECT_EQ(RasHangUp(second), 0u);
  Remount();
  EXPECT_EQ(CalllNotifyApiStopGprsConnect2(nullptr), 1);
  EXPECT_EQ(Totals(), std::make_pair(DWORD{72}, DWORD{8}));
  Remount();
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
  sim::PhoneLive live = handset().program<sim::PhoneAdapter>().phone().Live();
  EXPECT_EQ(live.traffic_sent, 0u);
  EXPECT_FALSE(live.gprs_attached);
  // A reboot forgets it: the script's counters again.
  sim::StateFile(handset().home()).Clear();
  EXPECT_EQ(handset().program<sim::PhoneAdapter>().phone().Live().traffic_sent, 1u);
}

}  // namespace
