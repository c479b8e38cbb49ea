// The programs around the WLAN and the input panel: the factory Wi-Fi test program launched
// through ShellExecuteEx, and the input method reloading its options when its event is set.
#include <string>
#include <vector>

#include "ce/kernel.h"
#include "ce/registry.h"
#include "ce/shell.h"
#include "device_support.h"
#include "sim/input_method/input_method.h"
#include "sim/wifi_test/wifi_test_program.h"
#include "wlan_support.h"

namespace {

using device_test::DeviceTest;

// Long enough for a thread of the handset to get its turn; a test that waits this long fails.
constexpr DWORD kPatienceMs = 10000;

std::vector<std::string> ProgramTexts(sim::Handset& handset) {
  std::vector<std::string> texts;
  for (const auto& e : handset.journal().Entries("program")) texts.push_back(e.Field("text"));
  return texts;
}

// Launches the test program as the shell's Wi-Fi switch does; its process handle, or null.
HANDLE LaunchWifiTest() {
  SHELLEXECUTEINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = u"Open";
  info.lpFile = sim::kWifiTestPath;
  info.nShow = SW_SHOW;
  return ShellExecuteEx(&info) ? info.hProcess : nullptr;
}

TEST_F(DeviceTest, WifiTestProgramRunsReportsAndEnds) {
  auto handset = Mount();
  handset->PutFile(sim::kWifiTestPath, {'M', 'Z'});
  for (bool wifi_on : {false, true}) {
    handset->journal().Clear();
    wlan_test::SwitchSerialChip(wifi_on);
    HANDLE process = LaunchWifiTest();
    ASSERT_NE(process, nullptr);
    ASSERT_EQ(WaitForSingleObject(process, kPatienceMs), WAIT_OBJECT_0);
    DWORD code = 1;
    ASSERT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(process);
    EXPECT_EQ(ProgramTexts(*handset),
              (std::vector<std::string>{"Wi-Fi test started",
                                        wifi_on ? "Wi-Fi interface up" : "Wi-Fi interface down"}));
  }
}

TEST_F(DeviceTest, WifiTestProgramLeftOutRunsNothing) {
  auto handset = Mount("[wifi_test]\npresent = false\n");
  handset->PutFile(sim::kWifiTestPath, {'M', 'Z'});
  HANDLE process = LaunchWifiTest();
  ASSERT_NE(process, nullptr);
  ASSERT_EQ(WaitForSingleObject(process, kPatienceMs), WAIT_OBJECT_0);
  CloseHandle(process);
  EXPECT_TRUE(ProgramTexts(*handset).empty());
}

// Writes the options and sets the input method's event, as a reset of its options does.
void ChangeOptions(const std::vector<std::pair<std::u16string, std::u16string>>& values) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, sim::kInputMethodKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  for (const auto& [name, text] : values)
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
  RegCloseKey(key);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, sim::kInputMethodEventName);
  ASSERT_NE(event, nullptr);
  EventModify(event, EVENT_SET);
  CloseHandle(event);
}

TEST_F(DeviceTest, InputMethodReloadsItsOptionsOnEachSet) {
  auto handset = Mount();
  auto& method = handset->program<sim::InputMethod>();
  ChangeOptions({{u"iang", u"1"}, {u"f", u"0"}});
  ASSERT_TRUE(method.WaitReloads(1, kPatienceMs));
  EXPECT_EQ(method.Options(), "iang=1, f=0");
  ChangeOptions({{u"f", u"1"}});
  ASSERT_TRUE(method.WaitReloads(2, kPatienceMs));
  EXPECT_EQ(method.Options(), "iang=1, f=1");
  auto entries = handset->journal().Entries("program");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].Field("program"), "input method");
  EXPECT_EQ(entries[1].Field("text"), "options reloaded");
  EXPECT_EQ(entries[1].Field("options"), "iang=1, f=1");
}

TEST_F(DeviceTest, InputMethodNotRunningHearsNothingUntilStarted) {
  auto handset = Mount("[input_method]\nrunning = false\n");
  auto& method = handset->program<sim::InputMethod>();
  EXPECT_FALSE(method.running());
  // Nobody holds the event: it goes with the setter's handle, and a later start does not see it.
  ChangeOptions({{u"iang", u"0"}});
  ASSERT_TRUE(method.Start());
  EXPECT_EQ(method.Reloads(), 0u);
  ChangeOptions({{u"iang", u"1"}});
  ASSERT_TRUE(method.WaitReloads(1, kPatienceMs));
  EXPECT_EQ(method.Options(), "iang=1");
  method.Stop();
  EXPECT_FALSE(method.WaitReloads(2, 0));
}

TEST_F(DeviceTest, InputMethodRunsAgainAfterARemount) {
  {
    auto handset = Mount();
    ChangeOptions({{u"legend", u"1"}});
    ASSERT_TRUE(handset->program<sim::InputMethod>().WaitReloads(1, kPatienceMs));
  }
  auto handset = Mount();
  auto& method = handset->program<sim::InputMethod>();
  EXPECT_EQ(method.Reloads(), 0u);
  ChangeOptions({{u"legend", u"0"}});
  ASSERT_TRUE(method.WaitReloads(1, kPatienceMs));
  EXPECT_EQ(method.Options(), "legend=0");
}

}  // namespace
