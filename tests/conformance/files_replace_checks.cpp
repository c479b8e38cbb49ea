// DeleteAndRenameFile, a Windows CE call that desktop Win32 does not have (so every check here is
// CE-only, and the file is left out of the Win32 build): the source file takes the destination's
// name in one step, and a refused call leaves both files as they were.
//
// The library rewrites an INI file by writing a temporary file beside it and replacing the file
// with it while it still holds the file open, sharing reading and deletion; when the replacement
// fails it deletes the temporary file and keeps the old one.
#include <string>

#include "check.h"
#include "file_access.h"
#include "rows.h"

namespace {

using conformance::Contents;
using conformance::kNoAttributes;
using conformance::Open;
using conformance::Put;
using conformance::ReadAll;

using conformance::kSentinel;

// The group's fresh folder; names below it are made with operator().
struct ReplaceFolder : conformance::GroupFolder {
  ReplaceFolder() : GroupFolder("files_replace") {}
};

}  // namespace

// The source takes the destination's name: the name then holds the source's bytes and the
// source's name is gone. A handle that holds the old file open, sharing reading and deletion as
// the library's does, lets the call through and still reads the old bytes.
CE_ONLY_CASE(files_replace, delete_and_rename_puts_the_source_in_the_place_of_the_destination) {
  ReplaceFolder dir;
  struct Row {
    const char* what;
    bool hold_destination;
  } rows[] = {{"nothing open", false}, {"destination held open", true}};
  for (const Row& row : rows) {
    WideString dest = dir(WS("settings.ini"));
    WideString source = dir(WS("settings.tmp"));
    EXPECT_ROW_TRUE(row.what, Put(dest, "old bytes"));
    EXPECT_ROW_TRUE(row.what, Put(source, "new bytes"));
    HANDLE held = INVALID_HANDLE_VALUE;
    if (row.hold_destination) {
      held = Open(dest, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
      EXPECT_ROW_TRUE(row.what, held != INVALID_HANDLE_VALUE);
    }
    SetLastError(kSentinel);
    EXPECT_ROW(row.what, DeleteAndRenameFile(dest.c_str(), source.c_str()) != FALSE, true);
    EXPECT_ROW(row.what, GetLastError(), kSentinel);
    if (held != INVALID_HANDLE_VALUE) {
      EXPECT_ROW(row.what, ReadAll(held), std::string("old bytes"));
      CloseHandle(held);
    }
    EXPECT_ROW(row.what, Contents(dest), std::string("new bytes"));
    EXPECT_ROW(row.what, GetFileAttributesW(source.c_str()), kNoAttributes);
  }
}

// A refused replacement changes neither file: a missing destination or source (2), a read-only
// destination (5), and a destination or source that a handle holds open without sharing deletion
// (32).
CE_ONLY_CASE(files_replace, refused_delete_and_rename_leaves_both_files) {
  ReplaceFolder dir;
  const WideString dest = dir(WS("settings.ini"));
  const WideString source = dir(WS("settings.tmp"));
  enum Obstacle { kNoDestination, kNoSource, kReadOnly, kDestinationOpen, kSourceOpen };
  struct Row {
    const char* what;
    Obstacle obstacle;
    DWORD error;
  } rows[] = {
      {"missing destination", kNoDestination, ERROR_FILE_NOT_FOUND},
      {"missing source", kNoSource, ERROR_FILE_NOT_FOUND},
      {"read-only destination", kReadOnly, ERROR_ACCESS_DENIED},
      {"destination open", kDestinationOpen, ERROR_SHARING_VIOLATION},
      {"source open", kSourceOpen, ERROR_SHARING_VIOLATION},
  };
  for (const Row& row : rows) {
    SetFileAttributesW(dest.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(dest.c_str());
    DeleteFileW(source.c_str());
    const std::string old_bytes = row.obstacle == kNoDestination ? "<missing>" : "old bytes";
    const std::string new_bytes = row.obstacle == kNoSource ? "<missing>" : "new bytes";
    if (row.obstacle != kNoDestination) EXPECT_ROW_TRUE(row.what, Put(dest, "old bytes"));
    if (row.obstacle != kNoSource) EXPECT_ROW_TRUE(row.what, Put(source, "new bytes"));
    if (row.obstacle == kReadOnly) SetFileAttributesW(dest.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held = INVALID_HANDLE_VALUE;
    if (row.obstacle == kDestinationOpen || row.obstacle == kSourceOpen) {
      held = Open(row.obstacle == kSourceOpen ? source : dest, GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    }
    SetLastError(kSentinel);
    EXPECT_ROW(row.what, DeleteAndRenameFile(dest.c_str(), source.c_str()) != FALSE, false);
    EXPECT_ROW(row.what, GetLastError(), row.error);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_ROW(row.what, Contents(dest), old_bytes);
    EXPECT_ROW(row.what, Contents(source), new_bytes);
  }
  SetFileAttributesW(dest.c_str(), FILE_ATTRIBUTE_NORMAL);
}
