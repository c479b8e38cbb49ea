#include <cerrno>
#include <filesystem>
#include <string>

#include "ce/crt.h"
#include "ce/locale.h"
#include "files_helpers.h"

namespace {

class FilesFopenTest : public FilesTest {};

TEST_F(FilesFopenTest, AppendWritesThroughTheHandset) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Log", nullptr));
  for (const char* line : {"one\r\n", "two\r\n"}) {
    FILE* log = ce::fopen("\\log\\Settings.txt", "a");
    ASSERT_NE(log, nullptr);
    // The pointer does not matter in append mode: each write goes to the end.
    fseek(log, 0, SEEK_SET);
    EXPECT_GT(fputs(line, log), 0);
    EXPECT_EQ(fclose(log), 0);
  }
  EXPECT_EQ(Content(u"\\Log\\Settings.txt"), "one\r\ntwo\r\n");
  EXPECT_EQ(Effects("file.create"), std::vector<std::string>{"path=\\Log\\Settings.txt"});
  EXPECT_EQ(Effects("file.write"),
            (std::vector<std::string>{"path=\\Log\\Settings.txt offset=0 size=5",
                                      "path=\\Log\\Settings.txt offset=5 size=5"}));
}

TEST_F(FilesFopenTest, ModesReadWriteAndTruncate) {
  Put(u"\\m.txt", "hello");
  FILE* f = ce::fopen("/m.txt", "rb");
  ASSERT_NE(f, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(fread(buffer, 1, sizeof buffer, f), 5u);
  EXPECT_EQ(std::string(buffer), "hello");
  EXPECT_EQ(fputs("x", f), EOF);  // read-only stream
  fclose(f);
  f = ce::fopen("\\m.txt", "r+");
  ASSERT_NE(f, nullptr);
  fseek(f, 1, SEEK_SET);
  fputs("EL", f);
  fclose(f);
  EXPECT_EQ(Content(u"\\m.txt"), "hELlo");
  f = ce::fopen("\\m.txt", "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(Content(u"\\m.txt"), "");
}

TEST_F(FilesFopenTest, FailuresSetErrno) {
  Put(u"\\ro.txt", "ro", FILE_ATTRIBUTE_READONLY);
  struct Case {
    const char* path;
    const char* mode;
    int error;
  } cases[] = {
      {"\\ro.txt", "a", EACCES},    {"\\missing.txt", "r", ENOENT}, {"\\no\\x.txt", "w", ENOENT},
      {"\\x.txt", "q", EINVAL},     {"\\x.txt", "rw", EINVAL},      {nullptr, "r", EINVAL},
      {"\\x.txt", nullptr, EINVAL}, {"\\a|b", "w", EINVAL},         {"\\x.txt", "wbt", EINVAL},
  };
  for (const auto& c : cases) {
    errno = 0;
    EXPECT_EQ(ce::fopen(c.path, c.mode), nullptr) << (c.path ? c.path : "null");
    EXPECT_EQ(errno, c.error) << (c.path ? c.path : "null");
  }
  EXPECT_EQ(Content(u"\\ro.txt"), "ro");
}

// Without "t" or "b" a stream is untranslated, as the settings log needs: its CR LF and any
// "\n" reach the file as written, and read back as they are.
TEST_F(FilesFopenTest, DefaultModeKeepsLineEndsAsTheyAre) {
  FILE* f = ce::fopen("\\d.txt", "w");
  ASSERT_NE(f, nullptr);
  fputs("one\r\ntwo\n", f);
  fclose(f);
  EXPECT_EQ(Content(u"\\d.txt"), "one\r\ntwo\n");
  f = ce::fopen("\\d.txt", "r");
  ASSERT_NE(f, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(fread(buffer, 1, sizeof buffer, f), 9u);
  fclose(f);
  EXPECT_EQ(std::string(buffer), "one\r\ntwo\n");
}

// The 8-bit path is read in the handset's ANSI code page, which follows its system locale.
TEST_F(FilesFopenTest, EightBitPathIsInTheAnsiCodePage) {
  FILE* f = ce::fopen("\\caf\xE9.txt", "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_NE(GetFileAttributesW(u"\\caf\u00E9.txt"), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(SetSystemDefaultLCID(0x0804));
  f = ce::fopen("\\\xC8\xD5\xD6\xBE.txt", "w");  // 日志.txt
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_NE(GetFileAttributesW(u"\\日志.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(std::filesystem::exists(handset().fs_root() / "\xe6\x97\xa5\xe5\xbf\x97.txt"));
}

}  // namespace
