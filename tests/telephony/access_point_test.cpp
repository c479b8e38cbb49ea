#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/files.h"
#include "ce/registry.h"
#include "cehost/handset.h"
#include "handset_fixture.h"
#include "ini_bytes.h"
#include "sim/phone_adapter/phone_adapter_program.h"
#include "telephony/access_point.h"
#include "telephony/operator_id.h"

namespace {

constexpr const char16_t* kProfile = u"\\Windows\\46000.ini";
constexpr const char16_t* kCopy = u"\\Windows\\46000cpy.ini";
constexpr const char16_t* kUser = u"\\Disk\\usr.ini";

class AccessPointTest : public HandsetTest {
 protected:
  void SetImsi(const char16_t* imsi) {
    handset().program<sim::PhoneAdapter>().phone().Script()->imsi = imsi;
  }
  void PutIni(const char16_t* path, const std::u16string& text) {
    handset().PutFile(path, IniBytes(text));
  }
  void SetUserPath(const char16_t* path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", 0, nullptr, 0, 0,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::u16string value(path);
    ASSERT_EQ(RegSetValueExW(key, u"UsrConnectNodePath", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::u16string WorkingCopyPath() {
    WCHAR path[MAX_PATH];
    GetDefConIniPath(path);
    return path;
  }
  std::u16string Selected() {
    WCHAR name[255] = {};
    return GetDefaultAccessName(name) ? std::u16string(name) : u"<none>";
  }
};

TEST_F(AccessPointTest, OperatorIdentifierIsTheImsisFirstFiveDigits) {
  struct {
    const char16_t* imsi;
    DWORD id;
  } cases[] = {{u"460001234567890", 46000}, {u"310260123456789", 31026}, {u"", 0}, {u"46a", 46}};
  for (const auto& c : cases) {
    SetImsi(c.imsi);
    DWORD id = 77;
    EXPECT_EQ(Dial_GetOperatorIdentifier(&id), 1);
    EXPECT_EQ(id, c.id) << U8(c.imsi);
  }
  EXPECT_EQ(handset().journal().Entries("trace")[0].Field("text"),
            "Corvanta::Dial_GetOperatorIdentifier::lpdwSubId=46000\r\n");
  EXPECT_EQ(Dial_GetOperatorIdentifier(nullptr), 3);
  EXPECT_EQ(handset().journal().Entries("trace").back().Field("text"),
            "Corvanta::Dial_GetOperatorIdentifier::lpdwSubId is null\r\n");
}

TEST_F(AccessPointTest, WorkingCopyIsMadeOnceAndRefreshedOnlyWhenEmpty) {
  // No profile file for the SIM: no path, no copy.
  EXPECT_EQ(WorkingCopyPath(), u"");
  EXPECT_TRUE(handset().journal().Entries("file.copy").empty());
  auto console = handset().journal().Entries("console");
  ASSERT_FALSE(console.empty());
  EXPECT_EQ(console[0].Field("text"), "********** dwCardId = 46000 **********\r\n");

  PutIni(kProfile, u"[CMNET]\r\n  APN=cmnet");
  ASSERT_TRUE(SetFileAttributesW(kProfile, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(WorkingCopyPath(), kCopy);
  // The copy is writable although the profile file is read-only.
  EXPECT_EQ(GetFileAttributesW(kCopy) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(handset().ReadFile(kCopy), IniBytes(u"[CMNET]\r\n  APN=cmnet"));

  // A changed, non-empty copy is kept.
  PutIni(kCopy, u"[CMNET]\r\n  APN=changed");
  EXPECT_EQ(WorkingCopyPath(), kCopy);
  EXPECT_EQ(handset().ReadFile(kCopy), IniBytes(u"[CMNET]\r\n  APN=changed"));
  // An empty one is refreshed.
  handset().PutFile(kCopy, {});
  EXPECT_EQ(WorkingCopyPath(), kCopy);
  EXPECT_EQ(handset().ReadFile(kCopy), IniBytes(u"[CMNET]\r\n  APN=cmnet"));
}

TEST_F(AccessPointTest, AFailedCopyIsLogged) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk\\Application Data", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk\\Application Data\\Log", nullptr));
  SYSTEMTIME time = {2026, 12, 1, 7, 10, 30, 0, 0};
  cehost::PinLocalTime(&time);
  PutIni(kProfile, u"[CMNET]\r\n  APN=cmnet");
  // An empty, read-only copy: the refresh cannot write over it.
  handset().PutFile(kCopy, {});
  ASSERT_TRUE(SetFileAttributesW(kCopy, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(WorkingCopyPath(), kCopy);
  auto log = handset().ReadFile(u"\\Disk\\Application Data\\Log\\Settings.txt");
  EXPECT_EQ(std::string(log.begin(), log.end()),
            "[2026/12/7, 10:30:0]: GetDefConIniPath: CopyFile 2 Return=0, GetLastError=5, "
            "fileName=\\Windows\\46000cpy.ini;\r\n");
  // The read-only bit was cleared afterwards, so the next call refreshes it.
  EXPECT_EQ(GetFileAttributesW(kCopy) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(WorkingCopyPath(), kCopy);
  EXPECT_EQ(handset().ReadFile(kCopy), IniBytes(u"[CMNET]\r\n  APN=cmnet"));
}

TEST_F(AccessPointTest, TheUserFilesSelectionWins) {
  struct {
    std::u16string copy;
    std::u16string user;
    std::u16string selected;
  } cases[] = {
      {u"[A]\r\n  IsSelect=1\r\n[B]", u"[B]\r\n  IsSelect=1", u"B"},
      {u"[A]\r\n  IsSelect=1", u"[B]\r\n  IsSelect=0", u"A"},
      {u"[A]\r\n  IsSelect=2\r\n[B]\r\n  IsSelect=one", u"", u"<none>"},
      {u"[A]\r\n  IsSelect=1\r\n[B]\r\n  IsSelect=1", u"", u"A"},
      {u"[A]\r\n  IsSelect=0\r\n[B]\r\n  IsSelect=1", u"", u"B"},
      // A line that opens with "[" but is no header is passed over.
      {u"[junk\r\n[A]\r\n  IsSelect=1", u"", u"A"},
      {u"[" + std::u16string(255, u'N') + u"]\r\n  IsSelect=1\r\n[A]\r\n  IsSelect=1", u"", u"A"},
  };
  SetUserPath(kUser);
  for (const auto& c : cases) {
    PutIni(kProfile, c.copy);
    PutIni(kCopy, c.copy);
    PutIni(kUser, c.user);
    EXPECT_EQ(Selected(), c.selected) << U8(c.copy) << " | " << U8(c.user);
  }
}

TEST_F(AccessPointTest, TheWorkingCopysContentWins) {
  PutIni(kProfile, u"[C]\r\n  APN=from copy\r\n  PORT=80");
  PutIni(kUser,
         u"[C]\r\n  APN=from user\r\n[D]\r\n  APN=cmwap\r\n  NAME=user\r\n  PASSWORD=pw\r\n"
         u"  AGENCY=10.0.0.172\r\n  PORT=9201\r\n  MMSC=http://mmsc");
  SetUserPath(kUser);
  AccessPointContent content = {};
  std::memcpy(content.wszAccessName, u"C", 4);
  ASSERT_TRUE(ReadAccessPointContent(&content));
  EXPECT_EQ(std::u16string(content.wszApn), u"from copy");
  EXPECT_EQ(content.nPort, 80);
  EXPECT_EQ(content.wszUserName[0], 0);

  content = {};
  std::memcpy(content.wszAccessName, u"D", 4);
  ASSERT_TRUE(ReadAccessPointContent(&content));
  EXPECT_EQ(std::u16string(content.wszApn), u"cmwap");
  EXPECT_EQ(std::u16string(content.wszUserName), u"user");
  EXPECT_EQ(std::u16string(content.wszPassword), u"pw");
  EXPECT_EQ(std::u16string(content.wszAgency), u"10.0.0.172");
  EXPECT_EQ(content.nPort, 9201);
  EXPECT_EQ(std::u16string(content.wszMmsc), u"http://mmsc");

  content = {};
  EXPECT_FALSE(ReadAccessPointContent(&content));
  std::memcpy(content.wszAccessName, u"Z", 4);
  EXPECT_FALSE(ReadAccessPointContent(&content));
}

TEST_F(AccessPointTest, AnOverLongValueLeavesTheAccessPointUnread) {
  PutIni(kProfile, u"[C]\r\n  APN=" + std::u16string(255, u'a') +
                       u"\r\n  NAME=user\r\n[E]\r\n"
                       u"  APN=" +
                       std::u16string(254, u'a') + u"\r\n  MMSC=" + std::u16string(255, u'm'));
  AccessPointContent content = {};
  std::memcpy(content.wszAccessName, u"C", 4);
  EXPECT_FALSE(ReadAccessPointContent(&content));
  EXPECT_EQ(content.wszApn[0], 0);
  EXPECT_EQ(content.wszUserName[0], 0);
  // Values that just fit are read whole.
  std::memcpy(content.wszAccessName, u"E", 4);
  ASSERT_TRUE(ReadAccessPointContent(&content));
  EXPECT_EQ(std::u16string(content.wszApn).size(), 254u);
  EXPECT_EQ(std::u16string(content.wszMmsc).size(), 255u);
}

}  // namespace
