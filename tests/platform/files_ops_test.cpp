#include <filesystem>
#include <string>

#include "files_helpers.h"

namespace {

class FilesOpsTest : public FilesTest {};

TEST_F(FilesOpsTest, DeleteRefusesOpenReadOnlyFoldersAndMissing) {
  Put(u"\\open.txt", "still here");
  Put(u"\\ro.txt", "ro", FILE_ATTRIBUTE_READONLY);
  Put(u"\\gone.txt", "x");
  ASSERT_TRUE(CreateDirectoryW(u"\\dir", nullptr));
  HANDLE open = Open(u"\\open.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_FAILS(!DeleteFileW(u"\\OPEN.txt"), ERROR_SHARING_VIOLATION);
  EXPECT_FAILS(!DeleteFileW(u"\\ro.txt"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!DeleteFileW(u"\\dir"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!DeleteFileW(u"\\none.txt"), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS(!DeleteFileW(u"\\none\\x.txt"), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ReadAll(open), "still here");
  CloseHandle(open);
  EXPECT_TRUE(DeleteFileW(u"\\Gone.TXT"));
  EXPECT_EQ(GetFileAttributesW(u"\\gone.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Effects("file.delete"), std::vector<std::string>{"path=\\gone.txt"});
}

TEST_F(FilesOpsTest, FoldersAreMadeAndRemovedOnlyWhenEmpty) {
  EXPECT_FAILS(!CreateDirectoryW(u"\\a\\b", nullptr), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(CreateDirectoryW(u"\\Data\\", nullptr));
  Put(u"\\Data\\f.txt", "x");
  EXPECT_FAILS(!CreateDirectoryW(u"\\data", nullptr), ERROR_ALREADY_EXISTS);
  EXPECT_FAILS(!CreateDirectoryW(u"\\data\\F.TXT", nullptr), ERROR_ALREADY_EXISTS);
  EXPECT_FAILS(!RemoveDirectoryW(u"\\data"), ERROR_DIR_NOT_EMPTY);
  EXPECT_FAILS(!RemoveDirectoryW(u"\\data\\f.txt"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!RemoveDirectoryW(u"\\nothing"), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS(!RemoveDirectoryW(u"\\"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetFileAttributesW(u"\\Data"), FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(DeleteFileW(u"\\data\\f.txt"));
  EXPECT_TRUE(RemoveDirectoryW(u"\\DATA\\"));
  EXPECT_EQ(GetFileAttributesW(u"\\Data"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Effects("dir.create"), std::vector<std::string>{"path=\\Data"});
  EXPECT_EQ(Effects("dir.remove"), std::vector<std::string>{"path=\\Data"});
}

TEST_F(FilesOpsTest, CopyRules) {
  Put(u"\\src.txt", "source");
  Put(u"\\dst.txt", "target");
  Put(u"\\hidden.txt", "hidden", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FAILS(!CopyFileW(u"\\src.txt", u"\\DST.txt", TRUE), ERROR_FILE_EXISTS);
  EXPECT_FAILS(!CopyFileW(u"\\src.txt", u"\\hidden.txt", FALSE), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!CopyFileW(u"\\none.txt", u"\\x.txt", FALSE), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS(!CopyFileW(u"\\src.txt", u"\\no\\x.txt", FALSE), ERROR_PATH_NOT_FOUND);
  EXPECT_FAILS(!CopyFileW(u"\\src.txt", u"\\SRC.TXT", FALSE), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Content(u"\\dst.txt"), "target");
  EXPECT_EQ(Content(u"\\hidden.txt"), "hidden");
  EXPECT_EQ(Content(u"\\src.txt"), "source");

  EXPECT_TRUE(CopyFileW(u"\\src.txt", u"\\dst.txt", FALSE));
  EXPECT_EQ(Content(u"\\dst.txt"), "source");
  // A read-only source gives a read-only copy, with the source's other bits.
  ASSERT_TRUE(SetFileAttributesW(u"\\src.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_TRUE(CopyFileW(u"\\src.txt", u"\\copy.txt", TRUE));
  EXPECT_EQ(GetFileAttributesW(u"\\copy.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_FALSE(CopyFileW(u"\\dst.txt", u"\\copy.txt", FALSE));
  EXPECT_EQ(GetLastError(), E(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Effects("file.copy"), (std::vector<std::string>{"from=\\src.txt to=\\dst.txt",
                                                            "from=\\src.txt to=\\copy.txt"}));
}

TEST_F(FilesOpsTest, CopyHonoursOpenHandles) {
  Put(u"\\log.txt", "line");
  Put(u"\\busy.txt", "busy");
  // A file still being written (sharing both ways) can be copied; a target held open cannot.
  HANDLE writer = Open(u"\\log.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  HANDLE busy = Open(u"\\busy.txt", GENERIC_READ, FILE_SHARE_READ);
  EXPECT_TRUE(CopyFileW(u"\\log.txt", u"\\log.bak", FALSE));
  EXPECT_FALSE(CopyFileW(u"\\log.txt", u"\\busy.txt", FALSE));
  EXPECT_EQ(GetLastError(), E(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Content(u"\\busy.txt"), "busy");
  CloseHandle(writer);
  CloseHandle(busy);
}

TEST_F(FilesOpsTest, MoveRules) {
  Put(u"\\a.txt", "a", FILE_ATTRIBUTE_HIDDEN);
  Put(u"\\b.txt", "b");
  Put(u"\\dir\\inner.txt", "inner", FILE_ATTRIBUTE_SYSTEM);
  HANDLE open = Open(u"\\b.txt", 0, 0);
  EXPECT_FAILS(!MoveFileW(u"\\a.txt", u"\\B.TXT"), ERROR_ALREADY_EXISTS);
  EXPECT_FAILS(!MoveFileW(u"\\none.txt", u"\\c.txt"), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS(!MoveFileW(u"\\a.txt", u"\\no\\c.txt"), ERROR_PATH_NOT_FOUND);
  EXPECT_FAILS(!MoveFileW(u"\\b.txt", u"\\c.txt"), ERROR_SHARING_VIOLATION);
  CloseHandle(open);
  Put(u"\\dir\\held.txt", "held");
  open = Open(u"\\dir\\held.txt", GENERIC_READ, FILE_SHARE_READ);
  EXPECT_FALSE(MoveFileW(u"\\dir", u"\\moved"));
  EXPECT_EQ(GetLastError(), E(ERROR_SHARING_VIOLATION));
  CloseHandle(open);

  // Attributes follow the file, and a folder's files follow it.
  EXPECT_TRUE(MoveFileW(u"\\A.TXT", u"\\dir\\c.txt"));
  EXPECT_EQ(GetFileAttributesW(u"\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(u"\\dir\\c.txt"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(MoveFileW(u"\\dir", u"\\Moved"));
  EXPECT_EQ(GetFileAttributesW(u"\\moved\\inner.txt"), FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(GetFileAttributesW(u"\\moved\\c.txt"), FILE_ATTRIBUTE_HIDDEN);
  // A change of case alone is a rename.
  EXPECT_TRUE(MoveFileW(u"\\moved\\c.txt", u"\\moved\\C.TXT"));
  EXPECT_TRUE(std::filesystem::exists(handset().fs_root() / "Moved" / "C.TXT"));
  EXPECT_EQ(Effects("file.move"),
            (std::vector<std::string>{"from=\\a.txt to=\\dir\\c.txt", "from=\\dir to=\\Moved",
                                      "from=\\Moved\\c.txt to=\\Moved\\C.TXT"}));
}

}  // namespace
