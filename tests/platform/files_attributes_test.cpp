#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "files_helpers.h"

namespace {

class FilesAttributesTest : public FilesTest {};

TEST_F(FilesAttributesTest, SetThenGet) {
  Put(u"\\f.txt", "x");
  ASSERT_TRUE(CreateDirectoryW(u"\\d", nullptr));
  EXPECT_EQ(GetFileAttributesW(u"\\f.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesW(u"\\d"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(u"\\"), FILE_ATTRIBUTE_DIRECTORY);
  struct Case {
    const char16_t* path;
    DWORD set, get;
  } cases[] = {
      {u"\\f.txt", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
      {u"\\f.txt", FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY},
      {u"\\f.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
      {u"\\f.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE},
      {u"\\f.txt", FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_NORMAL},
      {u"\\f.txt", 0, FILE_ATTRIBUTE_NORMAL},
      {u"\\d", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY,
       FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
      {u"\\d", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_DIRECTORY},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(SetFileAttributesW(c.path, c.set));
    EXPECT_EQ(GetFileAttributesW(c.path), c.get) << U8(c.path) << " " << std::hex << c.set;
  }
  EXPECT_FAILS(GetFileAttributesW(u"\\no.txt") == INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS(!SetFileAttributesW(u"\\no\\x", FILE_ATTRIBUTE_HIDDEN), ERROR_PATH_NOT_FOUND);
  EXPECT_FAILS(GetFileAttributesW(u"\\f.txt\\") == INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME);
}

TEST_F(FilesAttributesTest, ChangesAreJournaledAndUnchangedBitsRewriteNothing) {
  Put(u"\\f.txt", "x");
  ASSERT_TRUE(SetFileAttributesW(u"\\F.TXT", FILE_ATTRIBUTE_HIDDEN));
  auto table = handset().home() / "fs-attributes";
  struct stat before;
  ASSERT_EQ(stat(table.c_str(), &before), 0);
  EXPECT_TRUE(SetFileAttributesW(u"\\f.txt", FILE_ATTRIBUTE_HIDDEN));
  struct stat after;
  ASSERT_EQ(stat(table.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // a rewrite renames a new file over it
  EXPECT_EQ(Effects("file.attributes"),
            std::vector<std::string>{"path=\\f.txt old=0x00000020 new=0x00000002"});
}

TEST_F(FilesAttributesTest, RomFilesRefuseEveryChange) {
  Put(u"\\Windows\\rom.dll", "code", FILE_ATTRIBUTE_INROM);
  EXPECT_EQ(GetFileAttributesW(u"\\Windows\\rom.dll"),
            FILE_ATTRIBUTE_INROM | FILE_ATTRIBUTE_READONLY);
  EXPECT_FAILS(Open(u"\\Windows\\rom.dll", GENERIC_WRITE) == INVALID_HANDLE_VALUE,
               ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!SetFileAttributesW(u"\\Windows\\rom.dll", FILE_ATTRIBUTE_NORMAL),
               ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!DeleteFileW(u"\\Windows\\rom.dll"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!MoveFileW(u"\\Windows\\rom.dll", u"\\x.dll"), ERROR_ACCESS_DENIED);
  HANDLE h = Open(u"\\Windows\\rom.dll", GENERIC_READ);
  EXPECT_EQ(ReadAll(h), "code");
  CloseHandle(h);
  // Its copy lives in RAM: read-only still, but not in ROM.
  EXPECT_TRUE(CopyFileW(u"\\Windows\\rom.dll", u"\\copy.dll", TRUE));
  EXPECT_EQ(GetFileAttributesW(u"\\copy.dll"), FILE_ATTRIBUTE_READONLY);
}

// A file deleted on the host, without cehost, leaves its entry in the table; whatever cehost puts
// at that name next starts with its own bits, not the old file's.
TEST_F(FilesAttributesTest, BitsOfAFileGoneWithoutCehostPassToNothingAtItsName) {
  struct Case {
    const char* how;
    std::function<bool()> make;
    DWORD bits;
  } cases[] = {
      {"create", [] { return CloseHandle(Open(u"\\old.txt", GENERIC_WRITE, 0, CREATE_NEW)); },
       FILE_ATTRIBUTE_ARCHIVE},
      {"move", [] { return MoveFileW(u"\\src.txt", u"\\old.txt"); }, FILE_ATTRIBUTE_ARCHIVE},
      {"copy", [] { return CopyFileW(u"\\src.txt", u"\\old.txt", TRUE); }, FILE_ATTRIBUTE_ARCHIVE},
      {"folder", [] { return CreateDirectoryW(u"\\old.txt", nullptr); }, FILE_ATTRIBUTE_DIRECTORY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    Put(u"\\src.txt", "src");
    Put(u"\\old.txt", "old", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    std::filesystem::remove(handset().fs_root() / "old.txt");
    ASSERT_TRUE(c.make());
    EXPECT_EQ(GetFileAttributesW(u"\\old.txt"), c.bits);
    std::filesystem::remove(handset().fs_root() / "old.txt");
  }
}

TEST_F(FilesAttributesTest, BitsSurviveARestartOfTheHandset) {
  auto home = handset().home() / "kept";
  {
    sim::Handset first(sim::Handset::Options{home, true});
    first.PutFile(u"\\Disk\\a.ini", {'a'});
    first.PutFile(u"\\Disk\\b.ini", {'b'});
    ASSERT_TRUE(
        SetFileAttributesW(u"\\disk\\A.INI", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesW(u"\\disk\\b.ini", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(u"\\Disk", FILE_ATTRIBUTE_HIDDEN));
    HANDLE h = Open(u"\\Disk\\c.ini", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    CloseHandle(h);
  }
  sim::Handset second(sim::Handset::Options{home, true});
  EXPECT_EQ(GetFileAttributesW(u"\\Disk\\a.ini"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(GetFileAttributesW(u"\\Disk\\b.ini"), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesW(u"\\Disk"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributesW(u"\\Disk\\c.ini"), FILE_ATTRIBUTE_ARCHIVE);
  std::ifstream in(home / "fs-attributes");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  // READONLY of a file is its write bit; b.ini's line says it has lost ARCHIVE.
  EXPECT_EQ(text, "0x00000002 \\Disk\n0x00000006 \\Disk\\a.ini\n0x00000000 \\Disk\\b.ini\n");
}

}  // namespace
