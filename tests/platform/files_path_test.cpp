#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "files_helpers.h"

namespace {

class FilesPathTest : public FilesTest {};

TEST_F(FilesPathTest, NamesIgnoreCaseAndKeepTheirStoredCase) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr));
  HANDLE h = Open(u"\\DISK\\Foo.TXT", GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Write(h, "x"));
  CloseHandle(h);
  EXPECT_TRUE(std::filesystem::exists(handset().fs_root() / "Disk" / "Foo.TXT"));
  h = Open(u"\\disk\\foo.txt", GENERIC_READ);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  // An open-or-create in another case opens the stored file rather than making a second one.
  SetLastError(0);
  h = Open(u"/disk/FOO.txt", GENERIC_WRITE, 0, OPEN_ALWAYS);
  EXPECT_EQ(GetLastError(), E(ERROR_ALREADY_EXISTS));
  CloseHandle(h);
  EXPECT_EQ(Open(u"\\DISK\\FOO.TXT", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), E(ERROR_FILE_EXISTS));
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"\\disk\\*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(data.cFileName), u"Foo.TXT");
  EXPECT_FALSE(FindNextFileW(find, &data));
  FindClose(find);
  EXPECT_EQ(Effects("file.create"), std::vector<std::string>{"path=\\Disk\\Foo.TXT"});
  EXPECT_EQ(Effects("file.write")[0], "path=\\Disk\\Foo.TXT offset=0 size=1");
}

TEST_F(FilesPathTest, SlashesAndMissingLeadingSeparatorResolveFromTheRoot) {
  Put(u"\\Windows\\a.ini", "a");
  for (const char16_t* path :
       {u"\\Windows\\a.ini", u"/Windows/a.ini", u"Windows\\a.ini", u"\\\\Windows\\\\a.ini"}) {
    EXPECT_EQ(GetFileAttributesW(path), FILE_ATTRIBUTE_ARCHIVE) << U8(path);
  }
}

TEST_F(FilesPathTest, MissingFoldersAndFilesHaveTheirOwnCodes) {
  Put(u"\\file.txt", "x");
  struct Case {
    const char16_t* path;
    DWORD error;
  } cases[] = {{u"\\nofile.txt", ERROR_FILE_NOT_FOUND},
               {u"\\nodir\\x.txt", ERROR_PATH_NOT_FOUND},
               {u"\\file.txt\\x.txt", ERROR_PATH_NOT_FOUND}};
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.path));
    EXPECT_FAILS(Open(c.path, GENERIC_READ) == INVALID_HANDLE_VALUE, c.error);
    EXPECT_FAILS(GetFileAttributesW(c.path) == INVALID_FILE_ATTRIBUTES, c.error);
  }
  EXPECT_EQ(Open(u"\\nodir\\x.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), E(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesPathTest, PathsNeverLeaveTheRoot) {
  auto outside = handset().home() / "outside";
  std::filesystem::create_directories(outside);
  Put(u"\\inside.txt", "in");
  { std::ofstream(outside / "secret.txt") << "secret"; }
  std::filesystem::create_directory_symlink(outside, handset().fs_root() / "link");
  std::filesystem::create_symlink(outside / "secret.txt", handset().fs_root() / "evil.txt");

  for (const char16_t* path :
       {u"\\..\\x.txt", u"..\\x.txt", u"\\inside.txt\\..\\..\\x.txt", u"\\.\\x.txt"}) {
    SCOPED_TRACE(U8(path));
    EXPECT_FAILS(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS) == INVALID_HANDLE_VALUE,
                 ERROR_INVALID_NAME);
  }
  EXPECT_FALSE(std::filesystem::exists(handset().home() / "x.txt"));

  WIN32_FIND_DATAW data;
  EXPECT_FAILS(Open(u"\\link\\secret.txt", GENERIC_READ) == INVALID_HANDLE_VALUE,
               ERROR_ACCESS_DENIED);
  EXPECT_FAILS(Open(u"\\LINK\\new.txt", GENERIC_WRITE, 0, CREATE_NEW) == INVALID_HANDLE_VALUE,
               ERROR_ACCESS_DENIED);
  EXPECT_FAILS(Open(u"\\evil.txt", GENERIC_READ) == INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
  EXPECT_FAILS(Open(u"\\evil.txt", GENERIC_WRITE, 0, CREATE_ALWAYS) == INVALID_HANDLE_VALUE,
               ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!DeleteFileW(u"\\evil.txt"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(GetFileAttributesW(u"\\link") == INVALID_FILE_ATTRIBUTES, ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!CreateDirectoryW(u"\\link\\d", nullptr), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!CopyFileW(u"\\inside.txt", u"\\evil.txt", FALSE), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(FindFirstFileW(u"\\link\\*", &data) == INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(std::filesystem::exists(outside / "new.txt"));
  EXPECT_FALSE(std::filesystem::exists(outside / "d"));
  EXPECT_TRUE(std::filesystem::is_symlink(handset().fs_root() / "evil.txt"));
  std::ifstream in(outside / "secret.txt");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "secret");
  // Links are not listed either.
  HANDLE find = FindFirstFileW(u"\\*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(data.cFileName), u"inside.txt");
  EXPECT_FALSE(FindNextFileW(find, &data));
  FindClose(find);
}

TEST_F(FilesPathTest, OverLongPathsFailCleanly) {
  // 259 characters fit (MAX_PATH with the terminator); 260 do not.
  std::u16string folder;
  while (folder.size() < 240) folder += u"\\" + std::u16string(39, u'd');
  std::filesystem::create_directories(handset().HostPath(folder));
  std::u16string fits = folder + u"\\" + std::u16string(258 - folder.size(), u'f');
  ASSERT_EQ(fits.size(), 259u);
  HANDLE h = Open(fits.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  WIN32_FIND_DATAW data;
  for (const std::u16string& path : {fits + u"g", std::u16string(100000, u'a')}) {
    const char16_t* p = path.c_str();
    EXPECT_FAILS(Open(p, GENERIC_WRITE, 0, CREATE_ALWAYS) == INVALID_HANDLE_VALUE,
                 ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FAILS(GetFileAttributesW(p) == INVALID_FILE_ATTRIBUTES, ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FAILS(!DeleteFileW(p), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FAILS(!CreateDirectoryW(p, nullptr), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FAILS(FindFirstFileW(p, &data) == INVALID_HANDLE_VALUE, ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FAILS(!CopyFileW(fits.c_str(), p, FALSE), ERROR_FILENAME_EXCED_RANGE);
  }
}

TEST_F(FilesPathTest, InvalidCharactersAreRefused) {
  for (const char16_t* path :
       {u"\\a<b", u"\\a>b", u"\\a:b", u"\\COM9:", u"\\a\"b", u"\\a|b", u"\\a?b", u"\\a*b",
        u"\\a\x01"
        u"b",
        u"\\d*\\x"}) {
    SCOPED_TRACE(U8(path));
    EXPECT_FAILS(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS) == INVALID_HANDLE_VALUE,
                 ERROR_INVALID_NAME);
    EXPECT_FAILS(!CreateDirectoryW(path, nullptr), ERROR_INVALID_NAME);
  }
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFileW(u"\\a|*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), E(ERROR_INVALID_NAME));
}

TEST_F(FilesPathTest, NullNamesAndBuffersGiveInvalidParameter) {
  WIN32_FIND_DATAW data;
  constexpr DWORD k87 = ERROR_INVALID_PARAMETER;
  EXPECT_FAILS(GetFileAttributesW(nullptr) == INVALID_FILE_ATTRIBUTES, k87);
  EXPECT_FAILS(!SetFileAttributesW(nullptr, FILE_ATTRIBUTE_NORMAL), k87);
  EXPECT_FAILS(!DeleteFileW(nullptr), k87);
  EXPECT_FAILS(!CopyFileW(nullptr, u"\\x", FALSE), k87);
  EXPECT_FAILS(!CopyFileW(u"\\x", nullptr, FALSE), k87);
  EXPECT_FAILS(!MoveFileW(nullptr, u"\\x"), k87);
  EXPECT_FAILS(!MoveFileW(u"\\x", nullptr), k87);
  EXPECT_FAILS(!CreateDirectoryW(nullptr, nullptr), k87);
  EXPECT_FAILS(!RemoveDirectoryW(nullptr), k87);
  EXPECT_FAILS(FindFirstFileW(nullptr, &data) == INVALID_HANDLE_VALUE, k87);
  EXPECT_FAILS(FindFirstFileW(u"\\*", nullptr) == INVALID_HANDLE_VALUE, k87);
  EXPECT_FAILS(!FindNextFileW(nullptr, nullptr), ERROR_INVALID_HANDLE);
}

}  // namespace
