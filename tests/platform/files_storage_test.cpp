#include <cstdio>
#include <string>

#include "ce/crt.h"
#include "cehost/storage.h"
#include "files_helpers.h"

namespace {

class FilesStorageTest : public FilesTest {};

// One handset run out of space step by step: every way of adding bytes stops at the limit with
// ERROR_DISK_FULL, and every way of removing them gives the room back.
TEST_F(FilesStorageTest, WritesStopAtTheLimitAndFreedBytesComeBack) {
  EXPECT_EQ(cehost::FreeStorage(), std::nullopt);
  Put(u"\\old.bin", "0123456789");
  cehost::SetFreeStorage(6);

  // A write that does not fit writes what does and reports it.
  HANDLE h = Open(u"\\a.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 99;
  EXPECT_FALSE(WriteFile(h, "abcdefgh", 8, &written, nullptr));
  EXPECT_EQ(GetLastError(), E(ERROR_DISK_FULL));
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(cehost::FreeStorage(), 0u);
  // Overwriting what is there takes no room; growing does.
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
  EXPECT_TRUE(Write(h, "ABC"));
  EXPECT_EQ(SetFilePointer(h, 8, nullptr, FILE_BEGIN), 8u);
  EXPECT_FALSE(SetEndOfFile(h));
  EXPECT_EQ(GetLastError(), E(ERROR_DISK_FULL));
  EXPECT_EQ(Content(u"\\a.bin"), "ABCdef");

  // Nothing free: no new file, no copy; an existing file still opens.
  EXPECT_EQ(Open(u"\\b.bin", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), E(ERROR_DISK_FULL));
  EXPECT_FALSE(CopyFileW(u"\\old.bin", u"\\copy.bin", FALSE));
  EXPECT_EQ(GetLastError(), E(ERROR_DISK_FULL));
  EXPECT_EQ(GetFileAttributesW(u"\\copy.bin"), INVALID_FILE_ATTRIBUTES);

  // Cutting a file and deleting one give their bytes back.
  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(cehost::FreeStorage(), 4u);
  CloseHandle(h);
  EXPECT_TRUE(DeleteFileW(u"\\old.bin"));
  EXPECT_EQ(cehost::FreeStorage(), 14u);

  // The run-time's streams write through the same limit: what fits, then an error.
  FILE* log = ce::fopen("\\log.txt", "a");
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(std::fwrite("0123456789abcdefghij", 1, 20, log), 20u);
  EXPECT_NE(std::fclose(log), 0);
  EXPECT_EQ(Content(u"\\log.txt"), "0123456789abcd");

  // Lifting the limit lets everything through again.
  cehost::SetFreeStorage(std::nullopt);
  EXPECT_TRUE(CopyFileW(u"\\log.txt", u"\\copy.bin", FALSE));
}

}  // namespace
