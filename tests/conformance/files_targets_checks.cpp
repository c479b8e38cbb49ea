// File calls aimed at a name that cannot simply be written: CopyFileW over a target that exists
// (open, hidden or read-only), CreateFileW refused by a handle already open before CREATE_ALWAYS
// or TRUNCATE_EXISTING could empty the file, CreateFileW of a folder or of a name with wildcards,
// and paths at the MAX_PATH limit.
//
// The library refreshes a working copy of a profile file by copying over it, empties and
// rewrites files with CREATE_ALWAYS, hands callers' paths to CreateFileW as they are, and names
// temporary files up to MAX_PATH - 1 characters long.
#include <algorithm>
#include <string>
#include <vector>

#include "check.h"
#include "file_access.h"
#include "rows.h"

namespace {

using conformance::Attributes;
using conformance::Contents;
using conformance::kNoAttributes;
using conformance::kRead;
using conformance::kShareAll;
using conformance::kWrite;
using conformance::Open;
using conformance::Outcome;
using conformance::Put;
using conformance::ReadAll;

using conformance::kSentinel;

// The bits a copy carries over and these checks compare (Wine reports ARCHIVE on every file).
constexpr DWORD kCompared = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The group's fresh folder; names below it are made with operator().
struct TargetsFolder : conformance::GroupFolder {
  TargetsFolder() : GroupFolder("files_targets") {}
};

// "worked" or "failed <code>", for a call that returns BOOL.
std::string Result(BOOL ok, DWORD error) {
  return ok ? "worked" : "failed " + std::to_string(error);
}

// The names a search of the folder finds, sorted, leaving out "." and "..".
std::string Listing(const WideString& folder) {
  WIN32_FIND_DATAW data;
  std::vector<std::string> names;
  HANDLE search = FindFirstFileW((folder + WS("\\*")).c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      WideString name(data.cFileName);
      if (name == WS(".") || name == WS("..")) continue;
      std::string narrow;
      for (auto c : name) narrow += c < 0x80 ? static_cast<char>(c) : '?';
      names.push_back(narrow);
    } while (FindNextFileW(search, &data) && names.size() < 100);
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto& name : names) joined += (joined.empty() ? "" : ",") + name;
  return joined;
}

}  // namespace

// Copies a source of the given attribute bits over an existing target; the copy's outcome, the
// target's bytes and its compared bits afterwards.
struct CopyOver {
  std::string outcome;
  std::string target_bytes;
  DWORD target_bits;
};
CopyOver CopySourceOver(const TargetsFolder& dir, const WideString& name, DWORD source_bits) {
  WideString source = dir(WS("source-") + name);
  WideString target = dir(WS("target-") + name);
  Put(source, "new bytes");
  Put(target, "the old, longer bytes");
  if (source_bits) SetFileAttributesW(source.c_str(), source_bits);
  SetLastError(kSentinel);
  BOOL ok = CopyFileW(source.c_str(), target.c_str(), FALSE);
  CopyOver result{Result(ok, GetLastError()), Contents(target), Attributes(target) & kCompared};
  SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  return result;
}

// A source copied over an existing target in a row of its own: its name and attributes.
struct SourceRow {
  const char* what;
  const WCHAR* name;
  DWORD source_bits;
};

// CopyFileW over a target that exists replaces its bytes with the source's, whatever the
// source's attributes.
CHECK_CASE(files_targets, copy_over_an_existing_target_takes_the_source_bytes) {
  TargetsFolder dir;
  const SourceRow rows[] = {
      {"plain source", WS("plain"), 0},
      {"read-only source", WS("read-only"), FILE_ATTRIBUTE_READONLY},
  };
  for (const SourceRow& row : rows) {
    CopyOver copy = CopySourceOver(dir, row.name, row.source_bits);
    EXPECT_ROW(row.what, copy.outcome, std::string("worked"));
    EXPECT_ROW(row.what, copy.target_bytes, std::string("new bytes"));
  }
}

// The target of CopyFileW ends with the source's attributes, also when it existed before: a
// read-only source gives a read-only result, a plain one a plain one.
CHECK_CASE(files_targets, copy_over_an_existing_target_takes_the_source_attributes) {
  conformance::SkipOnWine(
      "Wine's CopyFileW gives the source's attributes only to a target it creates; a target that "
      "existed keeps its own, where Windows documents that the file's attributes are copied to "
      "the new file");
  TargetsFolder dir;
  const SourceRow rows[] = {
      {"plain source", WS("plain"), 0},
      {"read-only source", WS("read-only"), FILE_ATTRIBUTE_READONLY},
      {"hidden source", WS("hidden"), FILE_ATTRIBUTE_HIDDEN},
  };
  for (const SourceRow& row : rows) {
    CopyOver copy = CopySourceOver(dir, row.name, row.source_bits);
    EXPECT_ROW(row.what, copy.outcome, std::string("worked"));
    EXPECT_ROW(row.what, copy.target_bits, row.source_bits);
  }
}

// CopyFileW over a target that another handle holds open fails with ERROR_SHARING_VIOLATION,
// whatever that handle shares, and the target keeps its bytes.
CHECK_CASE(files_targets, copy_over_an_open_target_fails_with_32_and_leaves_it) {
  TargetsFolder dir;
  WideString source = dir(WS("source.txt"));
  WideString target = dir(WS("target.txt"));
  EXPECT_TRUE_(Put(source, "new bytes"));
  EXPECT_TRUE_(Put(target, "old bytes"));
  struct Row {
    const char* what;
    DWORD share;
  } rows[] = {
      {"reader sharing nothing", 0},
      {"reader sharing reading", FILE_SHARE_READ},
  };
  for (const Row& row : rows) {
    HANDLE open = Open(target, kRead, row.share, OPEN_EXISTING);
    EXPECT_ROW_TRUE(row.what, open != INVALID_HANDLE_VALUE);
    SetLastError(kSentinel);
    BOOL ok = CopyFileW(source.c_str(), target.c_str(), FALSE);
    EXPECT_ROW(row.what, Result(ok, GetLastError()), std::string("failed 32"));
    EXPECT_ROW(row.what, ReadAll(open), std::string("old bytes"));
    CloseHandle(open);
    EXPECT_ROW(row.what, Contents(target), std::string("old bytes"));
  }
  EXPECT_TRUE_(CopyFileW(source.c_str(), target.c_str(), FALSE));
  EXPECT_RESULT(Contents(target), std::string("new bytes"));
}

// Makes the target with the given bits and copies over it; the copy's outcome, and the target's
// bytes and compared bits afterwards.
CopyOver CopyOverProtected(const TargetsFolder& dir, DWORD bits) {
  WideString source = dir(WS("source.txt"));
  WideString target = dir(WS("target.txt"));
  Put(source, "new bytes");
  Put(target, "old bytes");
  SetFileAttributesW(target.c_str(), bits);
  SetLastError(kSentinel);
  BOOL ok = CopyFileW(source.c_str(), target.c_str(), FALSE);
  CopyOver result{Result(ok, GetLastError()), Contents(target), Attributes(target) & kCompared};
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  return result;
}

// CopyFileW over a read-only target fails with ERROR_ACCESS_DENIED and leaves the target as it
// was.
CHECK_CASE(files_targets, copy_over_a_read_only_target_fails_with_5) {
  TargetsFolder dir;
  CopyOver copy = CopyOverProtected(dir, FILE_ATTRIBUTE_READONLY);
  EXPECT_SAME(copy.outcome, std::string("failed 5"));
  EXPECT_SAME(copy.target_bytes, std::string("old bytes"));
  EXPECT_SAME(copy.target_bits, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// CopyFileW over a hidden target, read-only or not, fails with ERROR_ACCESS_DENIED and leaves the
// target as it was.
CHECK_CASE(files_targets, copy_over_a_hidden_target_fails_with_5) {
  conformance::SkipOnWine(
      "Wine's CopyFileW replaces a hidden target, and keeps no hidden bit on a read-only file; "
      "Windows documents ERROR_ACCESS_DENIED for a target that is hidden or read-only");
  TargetsFolder dir;
  struct Row {
    const char* what;
    DWORD bits;
  } rows[] = {
      {"hidden target", FILE_ATTRIBUTE_HIDDEN},
      {"hidden read-only target", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
  };
  for (const Row& row : rows) {
    CopyOver copy = CopyOverProtected(dir, row.bits);
    EXPECT_ROW(row.what, copy.outcome, std::string("failed 5"));
    EXPECT_ROW(row.what, copy.target_bytes, std::string("old bytes"));
    EXPECT_ROW(row.what, copy.target_bits, row.bits);
  }
}

// An open that would empty the file (CREATE_ALWAYS, TRUNCATE_EXISTING) is checked against the
// handles already open before anything happens: refused with ERROR_SHARING_VIOLATION, it leaves
// the file's bytes as they were.
CHECK_CASE(files_targets, open_refused_by_sharing_leaves_the_bytes) {
  TargetsFolder dir;
  WideString path = dir(WS("held.txt"));
  EXPECT_TRUE_(Put(path, "kept bytes"));
  struct Row {
    const char* what;
    DWORD held_share;  // what the handle already open (reading) shares
    DWORD disposition;
    DWORD access;
  } rows[] = {
      {"CREATE_ALWAYS for writing, reader sharing reading", FILE_SHARE_READ, CREATE_ALWAYS, kWrite},
      {"CREATE_ALWAYS for reading, reader sharing nothing", 0, CREATE_ALWAYS, kRead},
      {"TRUNCATE_EXISTING, reader sharing reading", FILE_SHARE_READ, TRUNCATE_EXISTING,
       kWrite | kRead},
      {"TRUNCATE_EXISTING, reader sharing nothing", 0, TRUNCATE_EXISTING, kWrite},
  };
  for (const Row& row : rows) {
    HANDLE held = Open(path, kRead, row.held_share, OPEN_EXISTING);
    EXPECT_ROW_TRUE(row.what, held != INVALID_HANDLE_VALUE);
    SetLastError(kSentinel);
    HANDLE second = Open(path, row.access, kShareAll, row.disposition);
    EXPECT_ROW(row.what, Outcome(second, GetLastError()), std::string("failed 32"));
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    EXPECT_ROW(row.what, ReadAll(held), std::string("kept bytes"));
    CloseHandle(held);
    EXPECT_ROW(row.what, Contents(path), std::string("kept bytes"));
  }
}

// CreateFileW of a folder's name opens nothing: ERROR_ACCESS_DENIED, whatever the disposition
// that would open or replace it; the folder and what it holds stay. A name with wildcards names
// no file: ERROR_INVALID_NAME, and nothing is made.
CHECK_CASE(files_targets, create_file_of_a_folder_or_a_wildcard_name_fails) {
  TargetsFolder dir;
  WideString folder = dir(WS("Sub"));
  EXPECT_TRUE_(CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_TRUE_(Put(dir(WS("Sub\\inner.txt")), "inside"));
  EXPECT_TRUE_(Put(dir(WS("abc.txt")), "plain"));
  struct Row {
    const char* what;
    WideString path;
    DWORD access;
    DWORD disposition;
    DWORD error;
  } rows[] = {
      {"folder, OPEN_EXISTING for reading", folder, kRead, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {"folder, OPEN_EXISTING for writing", folder, kWrite, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {"folder, OPEN_ALWAYS", folder, kRead | kWrite, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
      {"folder, CREATE_ALWAYS", folder, kRead | kWrite, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
      {"folder, TRUNCATE_EXISTING", folder, kWrite, TRUNCATE_EXISTING, ERROR_ACCESS_DENIED},
      {"'*.txt', OPEN_EXISTING", dir(WS("*.txt")), kRead, OPEN_EXISTING, ERROR_INVALID_NAME},
      {"'a?c.txt', OPEN_EXISTING", dir(WS("a?c.txt")), kRead, OPEN_EXISTING, ERROR_INVALID_NAME},
      {"'*.txt', CREATE_ALWAYS", dir(WS("*.txt")), kWrite, CREATE_ALWAYS, ERROR_INVALID_NAME},
      {"'new?.txt', CREATE_NEW", dir(WS("new?.txt")), kWrite, CREATE_NEW, ERROR_INVALID_NAME},
  };
  for (const Row& row : rows) {
    SetLastError(kSentinel);
    HANDLE file = Open(row.path, row.access, kShareAll, row.disposition);
    EXPECT_ROW(row.what, Outcome(file, GetLastError()), "failed " + std::to_string(row.error));
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  EXPECT_RESULT(Attributes(folder) & FILE_ATTRIBUTE_DIRECTORY,
                static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_RESULT(Contents(dir(WS("Sub\\inner.txt"))), std::string("inside"));
  EXPECT_RESULT(Contents(dir(WS("abc.txt"))), std::string("plain"));
  EXPECT_RESULT(Listing(dir.root()), std::string("Sub,abc.txt"));
}

// A path of MAX_PATH - 1 characters (MAX_PATH counts the terminator) is a whole path: a file of
// that name is made, written, read, found and deleted.
CHECK_CASE(files_targets, path_of_259_characters_is_a_file) {
  TargetsFolder dir;
  const size_t name_length = MAX_PATH - 1 - dir.root().size() - 1;
  WideString path = dir(WideString(name_length, 'n'));
  EXPECT_SAME(path.size(), static_cast<size_t>(MAX_PATH - 1));
  SetLastError(kSentinel);
  HANDLE file = Open(path, kRead | kWrite, 0, CREATE_NEW);
  EXPECT_SAME(Outcome(file, GetLastError()), std::string("opened"));
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    EXPECT_TRUE_(WriteFile(file, "long", 4, &written, nullptr));
    CloseHandle(file);
  }
  EXPECT_RESULT(Contents(path), std::string("long"));
  EXPECT_RESULT(Attributes(path) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(0));
  EXPECT_TRUE_(DeleteFileW(path.c_str()));
  EXPECT_RESULT(Attributes(path), kNoAttributes);
}

// A path of MAX_PATH characters leaves no room for the terminator: CreateFileW refuses it and
// makes nothing.
CHECK_CASE(files_targets, path_of_260_characters_is_refused) {
  conformance::SkipOnWine(
      "Wine holds paths to no MAX_PATH limit and opens longer ones; Windows refuses a path of "
      "MAX_PATH characters or more unless the caller asks for long paths");
  TargetsFolder dir;
  const size_t name_length = MAX_PATH - dir.root().size() - 1;
  WideString path = dir(WideString(name_length, 'n'));
  EXPECT_SAME(path.size(), static_cast<size_t>(MAX_PATH));
  for (DWORD disposition : {DWORD{CREATE_NEW}, DWORD{CREATE_ALWAYS}, DWORD{OPEN_ALWAYS}}) {
    SetLastError(kSentinel);
    HANDLE file = Open(path, kRead | kWrite, 0, disposition);
    const std::string label = "disposition " + std::to_string(disposition);
    EXPECT_ROW(label, file == INVALID_HANDLE_VALUE, true);
    EXPECT_ROW_TRUE(label, GetLastError() != kSentinel && GetLastError() != 0);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  EXPECT_RESULT(Listing(dir.root()), std::string(""));
}
