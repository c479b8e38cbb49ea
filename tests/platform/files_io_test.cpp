#include <functional>
#include <string>

#include "files_helpers.h"

namespace {

class FilesIoTest : public FilesTest {};

TEST_F(FilesIoTest, SizeAndEndOfFileShrinkAndGrow) {
  HANDLE h = Open(u"\\io.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  // A size that cannot be taken for INVALID_FILE_SIZE leaves the last error alone.
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD high = 7;
  EXPECT_EQ(GetFileSize(h, &high), 0u);
  EXPECT_EQ(GetLastError(), E(ERROR_ACCESS_DENIED));
  EXPECT_EQ(high, 0u);

  ASSERT_TRUE(Write(h, "hello world"));
  EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 5u);
  EXPECT_EQ(SetFilePointer(h, 3, nullptr, FILE_END), 8u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(Content(u"\\io.bin"), std::string("hello\0\0\0", 8));
  // A write of nothing leaves the file as it is.
  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  DWORD written = 9;
  EXPECT_TRUE(WriteFile(h, "", 0, &written, nullptr));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(GetFileSize(h, nullptr), 8u);
  // Reading at the end succeeds with nothing.
  SetFilePointer(h, 0, nullptr, FILE_END);
  char buffer[4];
  DWORD got = 99;
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(got, 0u);
  CloseHandle(h);
  EXPECT_EQ(Effects("file.truncate"),
            (std::vector<std::string>{"path=\\io.bin size=5", "path=\\io.bin size=8"}));
}

TEST_F(FilesIoTest, PointerMovesWithSixtyFourBitDistances) {
  HANDLE h = Open(u"\\big.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LONG high = 1;
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetFilePointer(h, 10, &high, FILE_BEGIN), 10u);
  EXPECT_EQ(GetLastError(), E(ERROR_ACCESS_DENIED));
  EXPECT_EQ(high, 1);
  EXPECT_TRUE(SetEndOfFile(h));  // a sparse file of 4 GiB + 10 bytes
  DWORD size_high = 0;
  EXPECT_EQ(GetFileSize(h, &size_high), 10u);
  EXPECT_EQ(size_high, 1u);
  // Past 32 bits without a high part, and before the start, the pointer does not move.
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), E(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), E(ERROR_NEGATIVE_SEEK));
  high = 0;
  EXPECT_EQ(SetFilePointer(h, 0, &high, FILE_CURRENT), 10u);
  EXPECT_EQ(high, 1);
  CloseHandle(h);
}

TEST_F(FilesIoTest, WritesAreJournaledWithOffsetAndBytes) {
  HANDLE h = Open(u"\\j.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_TRUE(Write(h, "ab"));
  ASSERT_TRUE(Write(h, "cd"));
  CloseHandle(h);
  h = Open(u"\\J.TXT", GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_EQ(ReadAll(h), "abcd");
  CloseHandle(h);
  auto writes = handset().journal().Entries("file.write");
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[1].Field("path"), "\\j.txt");
  EXPECT_EQ(writes[1].Field("offset"), "2");
  EXPECT_EQ(writes[1].Field("size"), "2");
  EXPECT_EQ(writes[1].bytes, (std::vector<uint8_t>{'c', 'd'}));
  // Reads are not effects.
  EXPECT_EQ(handset().journal().EntriesWithPrefix("file.").size(), 3u);
}

TEST_F(FilesIoTest, HandleAccessAndArgumentsAreChecked) {
  Put(u"\\acc.txt", "x");
  HANDLE reader = Open(u"\\acc.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  HANDLE writer = Open(u"\\acc.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  char buffer[1];
  DWORD count = 0;
  EXPECT_FAILS(!WriteFile(reader, "y", 1, &count, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!ReadFile(writer, buffer, 1, &count, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!SetEndOfFile(reader), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!ReadFile(reader, buffer, 1, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_FAILS(!ReadFile(reader, nullptr, 1, &count, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_FAILS(!WriteFile(writer, "y", 1, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_FAILS(!ReadFile(nullptr, buffer, 1, &count, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_FAILS(!WriteFile(INVALID_HANDLE_VALUE, "y", 1, &count, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_FAILS(!SetEndOfFile(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_FAILS(GetFileSize(nullptr, nullptr) == INVALID_FILE_SIZE, ERROR_INVALID_HANDLE);
  EXPECT_FAILS(SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER,
               ERROR_INVALID_HANDLE);
  EXPECT_FAILS(SetFilePointer(reader, 0, nullptr, 7) == INVALID_SET_FILE_POINTER,
               ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Content(u"\\acc.txt"), "x");
  CloseHandle(reader);
  CloseHandle(writer);
}

}  // namespace
