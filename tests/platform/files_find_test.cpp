#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "files_helpers.h"

namespace {

class FilesFindTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    Put(u"\\dir\\README", "readme");
    Put(u"\\dir\\a.txt", "a");
    Put(u"\\dir\\B.TXT", "bb");
    Put(u"\\dir\\c.ini", "c");
    ASSERT_TRUE(CreateDirectoryW(u"\\dir\\Sub", nullptr));
  }
  // Every name the search gives, sorted; the loop must end with ERROR_NO_MORE_FILES.
  static std::vector<std::string> Found(const char16_t* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(U8(data.cFileName));
    while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), E(ERROR_NO_MORE_FILES));
    EXPECT_FALSE(FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), E(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    std::sort(names.begin(), names.end());
    return names;
  }
};

using Names = std::vector<std::string>;

TEST_F(FilesFindTest, PatternsMatchNamesWithoutRegardToCase) {
  const Names all = {"B.TXT", "README", "Sub", "a.txt", "c.ini"};
  struct Case {
    const char16_t* pattern;
    Names names;
  } cases[] = {
      {u"\\dir\\*.*", all},
      {u"\\dir\\*", all},
      {u"/DIR/*", all},
      {u"\\dir\\*.TXT", {"B.TXT", "a.txt"}},
      {u"\\dir\\?.ini", {"c.ini"}},
      {u"\\dir\\readme.*", {"README"}},
      {u"\\dir\\*A*", {"README", "a.txt"}},
      {u"\\dir\\readme", {"README"}},
      {u"\\dir\\sub", {"Sub"}},
      {u"\\Dir", {"dir"}},
      {u"\\*", {"dir"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Found(c.pattern), c.names) << U8(c.pattern);
}

TEST_F(FilesFindTest, FailuresHaveTheirCodes) {
  WIN32_FIND_DATAW data;
  struct Case {
    const char16_t* pattern;
    DWORD error;
  } cases[] = {
      {u"\\dir\\", ERROR_FILE_NOT_FOUND},     {u"\\dir\\*.xyz", ERROR_FILE_NOT_FOUND},
      {u"\\dir\\none", ERROR_FILE_NOT_FOUND}, {u"\\none\\*", ERROR_PATH_NOT_FOUND},
      {u"\\none\\x", ERROR_PATH_NOT_FOUND},   {u"\\dir\\a.txt\\*", ERROR_PATH_NOT_FOUND},
      {u"\\", ERROR_FILE_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.pattern));
    EXPECT_FAILS(FindFirstFileW(c.pattern, &data) == INVALID_HANDLE_VALUE, c.error);
  }
  ASSERT_TRUE(CreateDirectoryW(u"\\empty", nullptr));
  EXPECT_EQ(FindFirstFileW(u"\\empty\\*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), E(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesFindTest, EntriesCarryAttributesSizeAndTimes) {
  ASSERT_TRUE(SetFileAttributesW(u"\\dir\\B.TXT", FILE_ATTRIBUTE_HIDDEN));
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"\\dir\\b.txt", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(data.nFileSizeLow, 2u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_EQ(std::u16string(data.cFileName), u"B.TXT");
  // FILETIME: 100 ns since 1601; the file was written just now.
  uint64_t written = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
  auto now_seconds = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  uint64_t now = (static_cast<uint64_t>(now_seconds) + 11644473600ull) * 10000000ull;
  EXPECT_LT(now - written + 10000000ull, 3600ull * 10000000ull);
  EXPECT_TRUE(FindClose(find));
  // A search handle is not closed twice, nor by CloseHandle.
  EXPECT_FALSE(FindClose(find));
  EXPECT_EQ(GetLastError(), E(ERROR_INVALID_HANDLE));
  find = FindFirstFileW(u"\\dir\\sub", &data);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(CloseHandle(find));
  EXPECT_TRUE(FindClose(find));
}

}  // namespace
