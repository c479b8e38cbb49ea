#include <string>

#include "files_helpers.h"

namespace {

class FilesOpenTest : public FilesTest {};

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

TEST_F(FilesOpenTest, ReadOnlyFileRefusesEveryWriteEvenToRoot) {
  Put(u"\\ro.txt", "keep", FILE_ATTRIBUTE_READONLY);
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
