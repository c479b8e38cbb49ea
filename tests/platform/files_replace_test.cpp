#include <gtest/gtest.h>

#include "ce/files.h"
#include "ce/kernel.h"
#include "handset_fixture.h"

namespace {

class FilesReplaceTest : public HandsetTest {
 protected:
  void SetUp() override {
    HandsetTest::SetUp();
    handset().PutFile(u"\\Disk\\old.ini", {'o', 'l', 'd'});
    handset().PutFile(u"\\Disk\\new.tmp", {'n', 'e', 'w'});
  }
};

TEST_F(FilesReplaceTest, SourceTakesTheNameAndItsAttributes) {
  ASSERT_TRUE(SetFileAttributesW(u"\\Disk\\new.tmp", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(DeleteAndRenameFile(u"\\disk\\OLD.ini", u"\\Disk\\new.tmp"));
  EXPECT_EQ(handset().ReadFile(u"\\Disk\\old.ini"), (std::vector<unsigned char>{'n', 'e', 'w'}));
  EXPECT_EQ(GetFileAttributesW(u"\\Disk\\new.tmp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(u"\\Disk\\old.ini"), DWORD{FILE_ATTRIBUTE_HIDDEN});
  auto replaced = handset().journal().Entries("file.replace");
  ASSERT_EQ(replaced.size(), 1u);
  EXPECT_EQ(replaced[0].Field("path"), "\\Disk\\old.ini");
  EXPECT_EQ(replaced[0].Field("from"), "\\Disk\\new.tmp");
}

TEST_F(FilesReplaceTest, RefusalsLeaveBothFiles) {
  struct {
    const char16_t* dest;
    const char16_t* source;
    DWORD error;
  } cases[] = {
      {u"\\Disk\\missing.ini", u"\\Disk\\new.tmp", ERROR_FILE_NOT_FOUND},
      {u"\\Disk\\old.ini", u"\\Disk\\missing.tmp", ERROR_FILE_NOT_FOUND},
      {u"\\Disk", u"\\Disk\\new.tmp", ERROR_ACCESS_DENIED},
      {u"\\Disk\\old.ini", u"\\Disk\\old.ini", ERROR_ACCESS_DENIED},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(DeleteAndRenameFile(c.dest, c.source)) << U8(c.dest) << " " << U8(c.source);
    EXPECT_EQ(GetLastError(), c.error);
  }
  ASSERT_TRUE(SetFileAttributesW(u"\\Disk\\old.ini", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(DeleteAndRenameFile(u"\\Disk\\old.ini", u"\\Disk\\new.tmp"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(SetFileAttributesW(u"\\Disk\\old.ini", FILE_ATTRIBUTE_NORMAL));
  HANDLE open = CreateFileW(u"\\Disk\\new.tmp", GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(DeleteAndRenameFile(u"\\Disk\\old.ini", u"\\Disk\\new.tmp"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(open);
  EXPECT_EQ(handset().ReadFile(u"\\Disk\\old.ini"), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(handset().ReadFile(u"\\Disk\\new.tmp"), (std::vector<unsigned char>{'n', 'e', 'w'}));
}

}  // namespace
