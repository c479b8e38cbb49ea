#include <string>

#include "files_helpers.h"

namespace {

class FilesRemovalTest : public FilesTest {};

// What a recursive folder removal meets: in-ROM and read-only files and folders report their
// bits alongside DIRECTORY or on their own, refuse DeleteFileW and RemoveDirectoryW with
// ERROR_ACCESS_DENIED, and a folder that still holds anything stays with ERROR_DIR_NOT_EMPTY.
TEST_F(FilesRemovalTest, ReadOnlyAndRomEntriesResistRemoval) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Tree", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"\\Tree\\Locked", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"\\Tree\\Plain", nullptr));
  Put(u"\\Tree\\rom.dll", "rom", FILE_ATTRIBUTE_INROM);
  Put(u"\\Tree\\ro.txt", "ro", FILE_ATTRIBUTE_READONLY);
  Put(u"\\Tree\\Locked\\inside.txt", "in");
  ASSERT_TRUE(
      SetFileAttributesW(u"\\Tree\\Locked", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));

  struct Attributes {
    const char16_t* path;
    DWORD bits;
  } attributes[] = {
      {u"\\Tree", FILE_ATTRIBUTE_DIRECTORY},
      {u"\\Tree\\Plain", FILE_ATTRIBUTE_DIRECTORY},
      {u"\\Tree\\Locked", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY},
      {u"\\Tree\\rom.dll", FILE_ATTRIBUTE_INROM | FILE_ATTRIBUTE_READONLY},
      {u"\\Tree\\ro.txt", FILE_ATTRIBUTE_READONLY},
  };
  for (const auto& a : attributes) {
    SCOPED_TRACE(U8(a.path));
    EXPECT_EQ(GetFileAttributesW(a.path), a.bits);
  }

  EXPECT_FAILS(!DeleteFileW(u"\\Tree\\rom.dll"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!DeleteFileW(u"\\Tree\\ro.txt"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!RemoveDirectoryW(u"\\Tree\\Locked"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!RemoveDirectoryW(u"\\Tree"), ERROR_DIR_NOT_EMPTY);
  EXPECT_TRUE(RemoveDirectoryW(u"\\Tree\\Plain"));
  // An empty read-only folder is refused too.
  ASSERT_TRUE(DeleteFileW(u"\\Tree\\Locked\\inside.txt"));
  EXPECT_FAILS(!RemoveDirectoryW(u"\\Tree\\Locked"), ERROR_ACCESS_DENIED);
  for (const char16_t* stays :
       {u"\\Tree", u"\\Tree\\Locked", u"\\Tree\\rom.dll", u"\\Tree\\ro.txt"}) {
    SCOPED_TRACE(U8(stays));
    EXPECT_NE(GetFileAttributesW(stays), INVALID_FILE_ATTRIBUTES);
  }
}

}  // namespace
