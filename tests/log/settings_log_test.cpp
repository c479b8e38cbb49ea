#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/files.h"
#include "cehost/handset.h"
#include "cehost/storage.h"
#include "handset_fixture.h"
#include "log/settings_log.h"

namespace {

constexpr const char16_t* kLog = u"\\Disk\\Application Data\\Log\\Settings.txt";

class SettingsLogTest : public HandsetTest {
 protected:
  void SetUp() override {
    HandsetTest::SetUp();
    SYSTEMTIME time = {2026, 1, 1, 5, 9, 5, 3, 0};
    cehost::PinLocalTime(&time);
  }
  void MakeFolder() {
    ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"\\Disk\\Application Data", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"\\Disk\\Application Data\\Log", nullptr));
  }
  std::string Log() {
    auto bytes = handset().ReadFile(kLog);
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(SettingsLogTest, NothingIsWrittenWithoutTheLogFolder) {
  WriteSettingsLog(u"lost", 1);
  EXPECT_EQ(GetFileAttributesW(kLog), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(handset().journal().EntriesWithPrefix("file.").empty());
}

// A log file that cannot be opened for appending, read-only or in the way as a folder, keeps
// its content and the caller never learns of it.
TEST_F(SettingsLogTest, NothingIsWrittenToALogThatCannotBeOpened) {
  MakeFolder();
  handset().PutFile(kLog, {'o', 'l', 'd', '\r', '\n'});
  ASSERT_TRUE(SetFileAttributesW(kLog, FILE_ATTRIBUTE_READONLY));
  WriteSettingsLog(u"lost", 1);
  EXPECT_EQ(Log(), "old\r\n");
  ASSERT_TRUE(SetFileAttributesW(kLog, FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(DeleteFileW(kLog));
  ASSERT_TRUE(CreateDirectoryW(kLog, nullptr));
  WriteSettingsLog(u"lost", 0);
  EXPECT_EQ(GetFileAttributesW(kLog), DWORD{FILE_ATTRIBUTE_DIRECTORY});
  EXPECT_TRUE(handset().journal().Entries("file.write").empty());
}

TEST_F(SettingsLogTest, LinesAreAppendedInBothForms) {
  MakeFolder();
  WriteSettingsLog(u"GetDefConIniPath: CopyFile 1 Return=0", 1);
  WriteSettingsLog(u"bare", 0);
  WriteSettingsLog(u"", 1);
  EXPECT_EQ(Log(),
            "[2026/1/5, 9:5:3]: GetDefConIniPath: CopyFile 1 Return=0\r\n"
            "bare\r\n"
            "[2026/1/5, 9:5:3]: \r\n");
  // Each line is one write to the file's end.
  EXPECT_EQ(handset().journal().Entries("file.write").size(), 3u);
}

TEST_F(SettingsLogTest, TextIsStoredInCodePage936) {
  MakeFolder();
  WriteSettingsLog(u"\u4E2D\u6587 \u0E01", 0);
  EXPECT_EQ(Log(), "\xD6\xD0\xCE\xC4 ?\r\n");
}

TEST_F(SettingsLogTest, AnOverLongLineIsCutAndStillEndsTheLine) {
  MakeFolder();
  std::u16string message(600, u'x');
  WriteSettingsLog(message.c_str(), 1);
  std::string log = Log();
  // 511 characters at most: the timestamp, the cut message, CR LF.
  EXPECT_LE(log.size(), 511u);
  EXPECT_GT(log.size(), 480u);
  EXPECT_TRUE(log.ends_with("xx\r\n")) << log.substr(log.size() - 8);
}

// A line the storage cannot take whole is not left cut: the caller never learns of it, and the
// lines written once there is room again each stand on their own.
TEST_F(SettingsLogTest, ALineThatDoesNotFitLeavesNoPiece) {
  for (int free_bytes : {0, 4, 12}) {
    SCOPED_TRACE(free_bytes);
    RestartWith("[storage]\nfree_bytes = " + std::to_string(free_bytes) + "\n");
    MakeFolder();
    handset().PutFile(kLog, {'o', 'l', 'd', '\r', '\n'});
    WriteSettingsLog(u"first", 0);
    WriteSettingsLog(u"a line longer than the room", 0);
    std::string expected = free_bytes >= 7 ? "old\r\nfirst\r\n" : "old\r\n";
    EXPECT_EQ(Log(), expected);
    cehost::SetFreeStorage(std::nullopt);
    WriteSettingsLog(u"next", 0);
    EXPECT_EQ(Log(), expected + "next\r\n");
  }
}

}  // namespace
