#include <string>

#include "files_helpers.h"

namespace {

class FilesOpenTest : public FilesTest {};

enum class Before { kMissing, kExists, kReadOnly };

// Each disposition against a missing, an existing and a read-only file: handle, last error (a
// stale value is set before every call; every success sets 0 or 183) and the size afterwards (-1:
// no file).
TEST_F(FilesOpenTest, DispositionsFollowTheTable) {
  constexpr DWORD kStale = ERROR_INVALID_DATA;
  struct Case {
    DWORD disposition;
    Before before;
    bool opens;
    DWORD error;
    long size_after;
  } cases[] = {
      {CREATE_NEW, Before::kMissing, true, ERROR_SUCCESS, 0},
      {CREATE_NEW, Before::kExists, false, ERROR_FILE_EXISTS, 5},
      {CREATE_NEW, Before::kReadOnly, false, ERROR_FILE_EXISTS, 5},
      {CREATE_ALWAYS, Before::kMissing, true, ERROR_SUCCESS, 0},
      {CREATE_ALWAYS, Before::kExists, true, ERROR_ALREADY_EXISTS, 0},
      {CREATE_ALWAYS, Before::kReadOnly, false, ERROR_ACCESS_DENIED, 5},
      {OPEN_EXISTING, Before::kMissing, false, ERROR_FILE_NOT_FOUND, -1},
      {OPEN_EXISTING, Before::kExists, true, ERROR_SUCCESS, 5},
      {OPEN_EXISTING, Before::kReadOnly, false, ERROR_ACCESS_DENIED, 5},
      {OPEN_ALWAYS, Before::kMissing, true, ERROR_SUCCESS, 0},
      {OPEN_ALWAYS, Before::kExists, true, ERROR_ALREADY_EXISTS, 5},
      {OPEN_ALWAYS, Before::kReadOnly, false, ERROR_ACCESS_DENIED, 5},
      {TRUNCATE_EXISTING, Before::kMissing, false, ERROR_FILE_NOT_FOUND, -1},
      {TRUNCATE_EXISTING, Before::kExists, true, ERROR_SUCCESS, 0},
      {TRUNCATE_EXISTING, Before::kReadOnly, false, ERROR_ACCESS_DENIED, 5},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::u16string path = u"\\f" + std::u16string(1, u'a' + n++) + u".txt";
    SCOPED_TRACE(U8(path) + " disposition " + std::to_string(c.disposition));
    if (c.before != Before::kMissing) Put(path.c_str(), "hello");
    if (c.before == Before::kReadOnly) {
      ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    SetLastError(kStale);
    HANDLE h = Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(GetLastError(), c.error);
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_EQ(GetFileSize(h, nullptr), static_cast<DWORD>(c.size_after));
      EXPECT_TRUE(CloseHandle(h));
    }
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (c.size_after < 0) {
      EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES);
    } else {
      EXPECT_EQ(Content(path.c_str()).size(), static_cast<size_t>(c.size_after));
      if (c.before == Before::kMissing) {
        EXPECT_EQ(attributes, FILE_ATTRIBUTE_ARCHIVE);
      }
    }
  }
}

// CREATE_ALWAYS empties an existing file whatever access the handle asks for.
TEST_F(FilesOpenTest, CreateAlwaysTruncatesWithoutWriteAccess) {
  for (DWORD access : {DWORD{GENERIC_READ}, DWORD{0}}) {
    Put(u"\\kept.txt", "hello");
    HANDLE h = Open(u"\\kept.txt", access, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << access;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_TRUE(Content(u"\\kept.txt").empty()) << access;
  }
}

TEST_F(FilesOpenTest, NewFileTakesRequestedAttributesPlusArchive) {
  HANDLE h = Open(u"\\new.txt", GENERIC_WRITE, 0, CREATE_NEW,
                  FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_WRITE_THROUGH);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  // The handle that made a read-only file may still write it.
  EXPECT_TRUE(Write(h, "data"));
  CloseHandle(h);
  EXPECT_EQ(GetFileAttributesW(u"\\new.txt"),
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(Effects("file.create"), std::vector<std::string>{"path=\\new.txt"});
}

TEST_F(FilesOpenTest, ShareMatrixAppliesTheRuleBothWays) {
  Put(u"\\shared.txt", "x");
  const DWORD accesses[] = {0, GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  const DWORD shares[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  // Spot checks of the rule itself, from the platform's table.
  EXPECT_FALSE(Compatible(GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, 0));
  EXPECT_TRUE(
      Compatible(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE, FILE_SHARE_READ));
  EXPECT_FALSE(Compatible(GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ));
  for (DWORD a1 : accesses)
    for (DWORD s1 : shares)
      for (DWORD a2 : accesses)
        for (DWORD s2 : shares) {
          SCOPED_TRACE(testing::Message()
                       << std::hex << a1 << "/" << s1 << " then " << a2 << "/" << s2);
          HANDLE first = Open(u"\\shared.txt", a1, s1);
          ASSERT_NE(first, INVALID_HANDLE_VALUE);
          SetLastError(0);
          HANDLE second = Open(u"\\SHARED.TXT", a2, s2);
          bool expected = Compatible(a1, s1, a2, s2);
          EXPECT_EQ(second != INVALID_HANDLE_VALUE, expected);
          if (!expected) {
            EXPECT_EQ(GetLastError(), E(ERROR_SHARING_VIOLATION));
          }
          if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
          CloseHandle(first);
        }
}

TEST_F(FilesOpenTest, ThirdOpenIsCheckedAgainstEveryHandleUntilTheyClose) {
  Put(u"\\three.txt", "x");
  HANDLE reader = Open(u"\\three.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  HANDLE writer = Open(u"\\three.txt", GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  // Acceptable to the reader, not to the writer, whose write it does not share.
  EXPECT_EQ(Open(u"\\three.txt", GENERIC_READ, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), E(ERROR_SHARING_VIOLATION));
  HANDLE third = Open(u"\\three.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_NE(third, INVALID_HANDLE_VALUE);
  CloseHandle(third);
  CloseHandle(writer);
  third = Open(u"\\three.txt", GENERIC_READ, FILE_SHARE_READ);
  EXPECT_NE(third, INVALID_HANDLE_VALUE);
  CloseHandle(third);
  CloseHandle(reader);
  HANDLE exclusive = Open(u"\\three.txt", GENERIC_READ | GENERIC_WRITE, 0);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  CloseHandle(exclusive);
}

TEST_F(FilesOpenTest, ReadOnlyFileRefusesEveryWriteEvenToRoot) {
  Put(u"\\ro.txt", "keep");
  ASSERT_TRUE(SetFileAttributesW(u"\\ro.txt", FILE_ATTRIBUTE_READONLY));
  HANDLE reader = Open(u"\\ro.txt", GENERIC_READ, FILE_SHARE_READ);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(reader), "keep");
  CloseHandle(reader);
  struct Case {
    DWORD access, disposition;
  } opens[] = {{GENERIC_WRITE, OPEN_EXISTING},
               {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
               {GENERIC_READ, CREATE_ALWAYS},
               {GENERIC_WRITE, TRUNCATE_EXISTING}};
  for (const auto& c : opens) {
    EXPECT_FAILS(Open(u"\\ro.txt", c.access, 0, c.disposition) == INVALID_HANDLE_VALUE,
                 ERROR_ACCESS_DENIED);
  }
  EXPECT_FALSE(DeleteFileW(u"\\ro.txt"));
  EXPECT_EQ(GetLastError(), E(ERROR_ACCESS_DENIED));
  Put(u"\\other.txt", "other");
  EXPECT_FALSE(CopyFileW(u"\\other.txt", u"\\ro.txt", FALSE));
  EXPECT_EQ(GetLastError(), E(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Content(u"\\ro.txt"), "keep");
  EXPECT_TRUE(handset().journal().EntriesWithPrefix("file.").size() == 1);  // the attribute change
}

TEST_F(FilesOpenTest, QueryHandleBlocksNoOpenButStopsDeletion) {
  Put(u"\\q.txt", "x");
  HANDLE query = Open(u"\\q.txt", 0, 0);
  ASSERT_NE(query, INVALID_HANDLE_VALUE);
  HANDLE writer = Open(u"\\q.txt", GENERIC_READ | GENERIC_WRITE, 0);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  CloseHandle(writer);
  EXPECT_EQ(GetFileSize(query, nullptr), 1u);
  DWORD got = 0;
  char c;
  EXPECT_FALSE(ReadFile(query, &c, 1, &got, nullptr));
  EXPECT_EQ(GetLastError(), E(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteFileW(u"\\q.txt"));
  EXPECT_EQ(GetLastError(), E(ERROR_SHARING_VIOLATION));
  CloseHandle(query);
  EXPECT_TRUE(DeleteFileW(u"\\q.txt"));
}

TEST_F(FilesOpenTest, OverlappedFlagIsIgnoredForFiles) {
  Put(u"\\o.txt", "sync");
  HANDLE h = Open(u"\\o.txt", GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(h), "sync");
  CloseHandle(h);
}

TEST_F(FilesOpenTest, FoldersAndBadArgumentsAreRefused) {
  ASSERT_TRUE(CreateDirectoryW(u"\\dir", nullptr));
  struct Case {
    const char16_t* path;
    DWORD access, disposition;
    DWORD error;
  } cases[] = {
      {u"\\dir", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {u"\\dir", GENERIC_READ, CREATE_NEW, ERROR_FILE_EXISTS},
      {u"\\", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {u"\\x.txt\\", GENERIC_WRITE, CREATE_ALWAYS, ERROR_INVALID_NAME},
      {nullptr, GENERIC_READ, OPEN_EXISTING, ERROR_INVALID_PARAMETER},
      {u"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {u"\\x.txt", GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
      {u"\\x.txt", GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
      {u"\\x.txt", GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path ? U8(c.path) : "null");
    EXPECT_FAILS(Open(c.path, c.access, 0, c.disposition) == INVALID_HANDLE_VALUE, c.error);
  }
}

}  // namespace
