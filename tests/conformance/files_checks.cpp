// File behaviour the library relies on: the five dispositions, sharing, read-only files,
// attributes, searches, deleting, copying, removing folders, and sizes and file pointers.
//
// Each check works in the group's fresh folder. Calls run with the last error set to kSentinel. A
// failure sets it; a success leaves it alone, except where the platform sets it on success too:
// CreateFileW always, GetFileSize and SetFilePointer when their result equals the failure value.
// (Calls whose success leaves it undocumented, such as CopyFileW, are not checked for it.)
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "file_access.h"
#include "peer_process.h"
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
using conformance::ReadRest;

using conformance::Guarded;
using conformance::kSentinel;
using conformance::Narrow;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareNone = 0;
constexpr DWORD kShareRead = FILE_SHARE_READ;

// The group's fresh folder; names below it are made with operator().
struct Folder : conformance::GroupFolder {
  Folder() : GroupFolder("files") {}
};

// Makes a file read-only; a check that does so clears the bit again before it ends.
bool MakeReadOnly(const WideString& path) {
  return SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY) != 0;
}
void ClearReadOnly(const WideString& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::string AccessName(DWORD access) {
  if (access == kReadWrite) return "RW";
  if (access == kRead) return "R";
  if (access == kWrite) return "W";
  return "0";
}

std::string ShareName(DWORD share) {
  if (share == kShareAll) return "RW";
  if (share == FILE_SHARE_READ) return "R";
  if (share == FILE_SHARE_WRITE) return "W";
  return "0";
}

// One search entry, as the checks compare it.
struct Entry {
  std::string name;
  DWORD attributes;
  DWORD size;
};

// Every entry a search finds, sorted by name, leaving out "." and "..": desktop Windows lists
// them for folders below a drive's root, and callers skip them. *first_error is the last error of
// a failed FindFirstFileW (0 when it found something); *end_error that of the FindNextFileW which
// ended the search.
std::vector<Entry> Search(const WideString& pattern, DWORD* first_error, DWORD* end_error,
                          bool* guard_intact) {
  std::vector<Entry> entries;
  Guarded data(sizeof(WIN32_FIND_DATAW));
  *first_error = 0;
  *end_error = 0;
  SetLastError(kSentinel);
  HANDLE search = FindFirstFileW(pattern.c_str(), data.as<WIN32_FIND_DATAW>());
  if (search == INVALID_HANDLE_VALUE) {
    *first_error = GetLastError();
    *guard_intact = data.Intact();
    return entries;
  }
  for (int guard = 0; guard < 100; ++guard) {
    const WIN32_FIND_DATAW* found = data.as<WIN32_FIND_DATAW>();
    WideString name(found->cFileName);
    if (name != WS(".") && name != WS("..")) {
      entries.push_back({Narrow(name), found->dwFileAttributes, found->nFileSizeLow});
    }
    SetLastError(kSentinel);
    if (!FindNextFileW(search, data.as<WIN32_FIND_DATAW>())) {
      *end_error = GetLastError();
      break;
    }
  }
  *guard_intact = data.Intact();
  FindClose(search);
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

std::string Names(const std::vector<Entry>& entries) {
  std::string out;
  for (const Entry& entry : entries) out += (out.empty() ? "" : ",") + entry.name;
  return out;
}

}  // namespace

// CREATE_NEW, CREATE_ALWAYS, OPEN_EXISTING, OPEN_ALWAYS and TRUNCATE_EXISTING against a missing
// file, an existing one, an existing read-only one and a file in a missing folder: whether the
// open works, the last error it leaves, and the file's contents afterwards. A successful open sets
// the last error too: CREATE_ALWAYS and OPEN_ALWAYS to ERROR_ALREADY_EXISTS when the file was
// there, every other success to 0. A file an open creates has ARCHIVE and nothing else.
CHECK_CASE(files, dispositions_follow_the_table) {
  Folder dir;
  enum State { kMissing, kExisting, kReadOnly, kNoFolder };
  const char* state_names[] = {"missing", "existing", "read-only", "in a missing folder"};
  struct Case {
    State state;
    DWORD disposition;
    DWORD access;
    bool opens;
    DWORD error;          // the last error afterwards
    std::string content;  // the file's bytes afterwards
  } cases[] = {
      {kMissing, CREATE_NEW, kReadWrite, true, 0, ""},
      {kMissing, CREATE_ALWAYS, kReadWrite, true, 0, ""},
      {kMissing, OPEN_EXISTING, kReadWrite, false, ERROR_FILE_NOT_FOUND, "<missing>"},
      {kMissing, OPEN_ALWAYS, kReadWrite, true, 0, ""},
      {kMissing, TRUNCATE_EXISTING, kReadWrite, false, ERROR_FILE_NOT_FOUND, "<missing>"},
      {kExisting, CREATE_NEW, kReadWrite, false, ERROR_FILE_EXISTS, "hello"},
      {kExisting, CREATE_ALWAYS, kReadWrite, true, ERROR_ALREADY_EXISTS, ""},
      {kExisting, OPEN_EXISTING, kReadWrite, true, 0, "hello"},
      {kExisting, OPEN_ALWAYS, kReadWrite, true, ERROR_ALREADY_EXISTS, "hello"},
      {kExisting, TRUNCATE_EXISTING, kReadWrite, true, 0, ""},
      {kReadOnly, CREATE_NEW, kReadWrite, false, ERROR_FILE_EXISTS, "hello"},
      {kReadOnly, CREATE_ALWAYS, kReadWrite, false, ERROR_ACCESS_DENIED, "hello"},
      {kReadOnly, CREATE_ALWAYS, kRead, false, ERROR_ACCESS_DENIED, "hello"},
      {kReadOnly, OPEN_EXISTING, kReadWrite, false, ERROR_ACCESS_DENIED, "hello"},
      {kReadOnly, OPEN_EXISTING, kWrite, false, ERROR_ACCESS_DENIED, "hello"},
      {kReadOnly, OPEN_EXISTING, kRead, true, 0, "hello"},
      {kReadOnly, OPEN_ALWAYS, kReadWrite, false, ERROR_ACCESS_DENIED, "hello"},
      {kReadOnly, OPEN_ALWAYS, kRead, true, ERROR_ALREADY_EXISTS, "hello"},
      {kReadOnly, TRUNCATE_EXISTING, kReadWrite, false, ERROR_ACCESS_DENIED, "hello"},
      {kNoFolder, CREATE_NEW, kReadWrite, false, ERROR_PATH_NOT_FOUND, "<missing>"},
      {kNoFolder, CREATE_ALWAYS, kReadWrite, false, ERROR_PATH_NOT_FOUND, "<missing>"},
      {kNoFolder, OPEN_EXISTING, kReadWrite, false, ERROR_PATH_NOT_FOUND, "<missing>"},
      {kNoFolder, OPEN_ALWAYS, kReadWrite, false, ERROR_PATH_NOT_FOUND, "<missing>"},
      {kNoFolder, TRUNCATE_EXISTING, kReadWrite, false, ERROR_PATH_NOT_FOUND, "<missing>"},
  };
  int row = 0;
  for (const Case& c : cases) {
    ++row;
    WideString name = WS("d") + WideString(1, static_cast<WCHAR>('a' + row)) + WS(".txt");
    WideString path = c.state == kNoFolder ? dir(WS("NoSuchFolder\\") + name) : dir(name);
    if (c.state == kExisting || c.state == kReadOnly) EXPECT_TRUE_(Put(path, "hello"));
    if (c.state == kReadOnly) EXPECT_TRUE_(MakeReadOnly(path));

    SetLastError(kSentinel);
    HANDLE file = Open(path, c.access, 0, c.disposition);
    DWORD error = GetLastError();
    std::string label = "row " + std::to_string(row) + ": disposition " +
                        std::to_string(c.disposition) + ", access " + AccessName(c.access) +
                        ", file " + state_names[c.state];
    EXPECT_SAME(
        label + ": " + Outcome(file, error),
        label + ": " + (c.opens ? std::string("opened") : "failed " + std::to_string(c.error)));
    EXPECT_SAME(label + ": last error " + std::to_string(error),
                label + ": last error " + std::to_string(c.error));
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    EXPECT_SAME(label + ": contents " + Contents(path), label + ": contents " + c.content);
    if (c.state == kMissing && c.opens) {
      EXPECT_SAME(
          label + ": attributes " + conformance::Show(Attributes(path)),
          label + ": attributes " + conformance::Show(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)));
    }
    if (c.state == kReadOnly) ClearReadOnly(path);
  }
}

// CREATE_ALWAYS empties an existing file whatever access the handle asks for, reading only or
// none, and leaves the last error ERROR_ALREADY_EXISTS.
CHECK_CASE(files, create_always_empties_the_file_whatever_the_access) {
  Folder dir;
  WideString path = dir(WS("kept.txt"));
  for (DWORD access : {kRead, DWORD{0}}) {
    EXPECT_TRUE_(Put(path, "hello"));
    SetLastError(kSentinel);
    HANDLE file = Open(path, access, 0, CREATE_ALWAYS);
    DWORD error = GetLastError();
    std::string label = "access " + AccessName(access) + ": ";
    EXPECT_SAME(label + Outcome(file, error), label + "opened");
    EXPECT_SAME(label + "last error " + std::to_string(error),
                label + "last error " + std::to_string(ERROR_ALREADY_EXISTS));
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    EXPECT_SAME(label + "contents " + Contents(path), label + "contents ");
  }
}

// Two opens of one file, every access {0, R, W, RW} against every share mode {0, R, W, RW} on
// both sides: the second open works only when each handle's share mode allows the other's data
// access; otherwise it fails with ERROR_SHARING_VIOLATION. An open without data access takes
// part on neither side. The second open spells the name in other case: it is the same file.
CHECK_CASE(files, share_matrix_applies_the_rule_both_ways) {
  Folder dir;
  WideString path = dir(WS("shared.dat"));
  WideString other_case = dir(WS("SHARED.DAT"));
  EXPECT_TRUE_(Put(path, "data"));
  const DWORD accesses[] = {0, kRead, kWrite, kReadWrite};
  const DWORD shares[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, kShareAll};
  auto refused = [](DWORD access, DWORD share) {
    return ((access & kRead) && !(share & FILE_SHARE_READ)) ||
           ((access & kWrite) && !(share & FILE_SHARE_WRITE));
  };
  for (DWORD a1 : accesses) {
    for (DWORD s1 : shares) {
      for (DWORD a2 : accesses) {
        for (DWORD s2 : shares) {
          bool data = a1 != 0 && a2 != 0;
          bool conflict = data && (refused(a2, s1) || refused(a1, s2));
          HANDLE first = Open(path, a1, s1, OPEN_EXISTING);
          SetLastError(kSentinel);
          HANDLE second = Open(other_case, a2, s2, OPEN_EXISTING);
          DWORD error = GetLastError();
          std::string label = "1st " + AccessName(a1) + "/" + ShareName(s1) + ", 2nd " +
                              AccessName(a2) + "/" + ShareName(s2);
          EXPECT_SAME(label + ": " + (first != INVALID_HANDLE_VALUE ? "" : "1st failed ") +
                          Outcome(second, error),
                      label + ": " + (conflict ? "failed 32" : "opened"));
          if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
          if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
        }
      }
    }
  }
}

// The same rule between two processes, every access against every share mode: the first handle
// opened by another process and the second here, then the first here and the second by the other
// process. The second open spells the name in other case.
CHECK_CASE(files, share_matrix_holds_between_processes) {
  Folder dir;
  WideString path = dir(WS("between.dat"));
  WideString other_case = dir(WS("Between.DAT"));
  EXPECT_TRUE_(Put(path, "data"));
  conformance::PeerProcess peer;
  if (!EXPECT_TRUE_(peer.started())) return;
  const DWORD accesses[] = {0, kRead, kWrite, kReadWrite};
  const DWORD shares[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, kShareAll};
  auto refused = [](DWORD access, DWORD share) {
    return ((access & kRead) && !(share & FILE_SHARE_READ)) ||
           ((access & kWrite) && !(share & FILE_SHARE_WRITE));
  };
  for (bool peer_first : {true, false}) {
    for (DWORD a1 : accesses) {
      for (DWORD s1 : shares) {
        for (DWORD a2 : accesses) {
          for (DWORD s2 : shares) {
            bool data = a1 != 0 && a2 != 0;
            bool conflict = data && (refused(a2, s1) || refused(a1, s2));
            std::string expected = conflict ? "failed 32" : "opened";
            if (peer_first) {
              std::string first = peer.Open(path, a1, s1);
              SetLastError(kSentinel);
              HANDLE second = Open(other_case, a2, s2, OPEN_EXISTING);
              DWORD error = GetLastError();
              std::string label = "peer " + AccessName(a1) + "/" + ShareName(s1) + ", here " +
                                  AccessName(a2) + "/" + ShareName(s2);
              EXPECT_SAME(label + ": " + (first == "opened" ? "" : "peer " + first + " ") +
                              Outcome(second, error),
                          label + ": " + expected);
              if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
              if (first == "opened") peer.Close();
            } else {
              HANDLE first = Open(path, a1, s1, OPEN_EXISTING);
              std::string second = peer.Open(other_case, a2, s2);
              std::string label = "here " + AccessName(a1) + "/" + ShareName(s1) + ", peer " +
                                  AccessName(a2) + "/" + ShareName(s2);
              EXPECT_SAME(
                  label + ": " + (first != INVALID_HANDLE_VALUE ? "" : "here failed ") + second,
                  label + ": " + expected);
              if (second == "opened") peer.Close();
              if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
            }
          }
        }
      }
    }
  }
}

// A third open is checked against both handles already open, whichever of them was opened
// first, and a conflict ends when the handle that caused it is closed.
CHECK_CASE(files, third_open_meets_every_handle_until_closed) {
  Folder dir;
  WideString path = dir(WS("three.dat"));
  EXPECT_TRUE_(Put(path, "data"));
  // A reader that lets a writer in, and one that does not.
  struct Handle {
    DWORD access;
    DWORD share;
  };
  const Handle sharing = {kRead, kShareAll};
  const Handle refusing = {kRead, FILE_SHARE_READ};
  struct Order {
    const char* what;
    Handle first;
    Handle second;
  } orders[] = {
      {"sharing reader first", sharing, refusing},
      {"refusing reader first", refusing, sharing},
  };
  for (const Order& order : orders) {
    HANDLE first = Open(path, order.first.access, order.first.share, OPEN_EXISTING);
    HANDLE second = Open(path, order.second.access, order.second.share, OPEN_EXISTING);
    EXPECT_ROW_TRUE(order.what, first != INVALID_HANDLE_VALUE && second != INVALID_HANDLE_VALUE);
    HANDLE refuser = order.first.share == refusing.share ? first : second;
    HANDLE sharer = refuser == first ? second : first;

    SetLastError(kSentinel);
    HANDLE writer = Open(path, kWrite, kShareAll, OPEN_EXISTING);
    EXPECT_ROW(order.what, Outcome(writer, GetLastError()), std::string("failed 32"));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

    CloseHandle(refuser);
    SetLastError(kSentinel);
    writer = Open(path, kWrite, kShareAll, OPEN_EXISTING);
    EXPECT_ROW(order.what, Outcome(writer, GetLastError()), std::string("opened"));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    CloseHandle(sharer);
  }

  // The conflict may come from the new open's own share mode too: a reader that does not share
  // writing is refused while a writer is open, whatever the other reader shares, and let in once
  // the writer has gone.
  HANDLE reader = Open(path, kRead, kShareAll, OPEN_EXISTING);
  HANDLE writer = Open(path, kWrite, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_TRUE_(reader != INVALID_HANDLE_VALUE && writer != INVALID_HANDLE_VALUE);
  struct Step {
    const char* what;
    bool close_writer;  // close the writer before this open
    DWORD share;
    const char* outcome;
  } steps[] = {
      {"reader sharing reading, writer open", false, FILE_SHARE_READ, "failed 32"},
      {"reader sharing both, writer open", false, kShareAll, "opened"},
      {"reader sharing reading, writer closed", true, FILE_SHARE_READ, "opened"},
  };
  for (const Step& step : steps) {
    if (step.close_writer) CloseHandle(writer);
    SetLastError(kSentinel);
    HANDLE third = Open(path, kRead, step.share, OPEN_EXISTING);
    EXPECT_ROW(step.what, Outcome(third, GetLastError()), std::string(step.outcome));
    if (third != INVALID_HANDLE_VALUE) CloseHandle(third);
  }
  CloseHandle(reader);

  // An exclusive handle keeps every other open out until it goes.
  HANDLE exclusive = Open(path, kReadWrite, 0, OPEN_EXISTING);
  SetLastError(kSentinel);
  HANDLE other = Open(path, kRead, kShareAll, OPEN_EXISTING);
  EXPECT_SAME(Outcome(other, GetLastError()), std::string("failed 32"));
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  CloseHandle(exclusive);
  SetLastError(kSentinel);
  other = Open(path, kRead, kShareAll, OPEN_EXISTING);
  EXPECT_SAME(Outcome(other, GetLastError()), std::string("opened"));
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
}

// A read-only file can be read but not opened for writing, deleted or copied over, each with
// ERROR_ACCESS_DENIED and the file unchanged; a copy of it is read-only too.
CHECK_CASE(files, read_only_file_refuses_writing_deleting_and_copying_over) {
  Folder dir;
  WideString locked = dir(WS("locked.txt"));
  WideString source = dir(WS("source.txt"));
  WideString copy = dir(WS("copy.txt"));
  EXPECT_TRUE_(Put(locked, "original"));
  EXPECT_TRUE_(Put(source, "replacement"));
  SetLastError(kSentinel);
  EXPECT_TRUE_(MakeReadOnly(locked));
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_RESULT(Attributes(locked) & FILE_ATTRIBUTE_READONLY,
                static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));

  struct Attempt {
    const char* what;
    DWORD error;
  };
  auto check = [&](const Attempt& attempt, bool failed) {
    DWORD error = GetLastError();
    EXPECT_SAME(
        std::string(attempt.what) + (failed ? " failed " + std::to_string(error) : " worked"),
        std::string(attempt.what) + " failed " + std::to_string(attempt.error));
  };
  SetLastError(kSentinel);
  HANDLE writer = Open(locked, kWrite, kShareAll, OPEN_EXISTING);
  check({"open for writing", ERROR_ACCESS_DENIED}, writer == INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  SetLastError(kSentinel);
  check({"delete", ERROR_ACCESS_DENIED}, !DeleteFileW(locked.c_str()));
  SetLastError(kSentinel);
  check({"copy over", ERROR_ACCESS_DENIED}, !CopyFileW(source.c_str(), locked.c_str(), FALSE));
  EXPECT_RESULT(Contents(locked), std::string("original"));

  SetLastError(kSentinel);
  HANDLE reader = Open(locked, kRead, kShareAll, OPEN_EXISTING);
  EXPECT_TRUE_(reader != INVALID_HANDLE_VALUE);
  EXPECT_LAST_ERROR(0);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);

  EXPECT_TRUE_(CopyFileW(locked.c_str(), copy.c_str(), TRUE));
  EXPECT_RESULT(Contents(copy), std::string("original"));
  EXPECT_RESULT(Attributes(copy) & FILE_ATTRIBUTE_READONLY,
                static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  ClearReadOnly(copy);
  ClearReadOnly(locked);
  EXPECT_TRUE_(DeleteFileW(locked.c_str()));
}

// A new file has ARCHIVE (plus what it was created with) and a folder DIRECTORY; the read-only
// and hidden bits read back as SetFileAttributesW set them, NORMAL clearing both and giving way
// to any other bit; a missing name fails with 2, a name in a missing folder with 3.
CHECK_CASE(files, attributes_of_new_and_changed_files) {
  Folder dir;
  WideString plain = dir(WS("plain.txt"));
  WideString hidden = dir(WS("hidden.txt"));
  HANDLE file = Open(plain, kReadWrite, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  file = Open(hidden, kReadWrite, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  SetLastError(kSentinel);
  EXPECT_RESULT(Attributes(plain), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_RESULT(Attributes(hidden),
                static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_RESULT(Attributes(dir.root()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_LAST_ERROR(kSentinel);

  constexpr DWORD kBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  struct Case {
    DWORD set;
    DWORD bits;  // the read-only, hidden and system bits read back
  } cases[] = {
      {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY},
      {FILE_ATTRIBUTE_NORMAL, 0},
      {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
      {FILE_ATTRIBUTE_ARCHIVE, 0},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY},
      {FILE_ATTRIBUTE_NORMAL, 0},
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    BOOL ok = SetFileAttributesW(plain.c_str(), c.set);
    std::string label = "set " + conformance::Show(c.set);
    EXPECT_SAME(label + (ok ? " worked" : " failed"), label + " worked");
    EXPECT_LAST_ERROR(kSentinel);
    DWORD bits = Attributes(plain) & kBits;
    EXPECT_SAME(label + " -> " + conformance::Show(bits),
                label + " -> " + conformance::Show(c.bits));
  }

  struct Missing {
    WideString path;
    DWORD error;
  } missing[] = {
      {dir(WS("absent.txt")), ERROR_FILE_NOT_FOUND},
      {dir(WS("NoSuchFolder\\absent.txt")), ERROR_PATH_NOT_FOUND},
  };
  for (const Missing& m : missing) {
    SetLastError(kSentinel);
    EXPECT_RESULT(Attributes(m.path), kNoAttributes);
    EXPECT_LAST_ERROR(m.error);
    SetLastError(kSentinel);
    EXPECT_RESULT(SetFileAttributesW(m.path.c_str(), FILE_ATTRIBUTE_HIDDEN), FALSE);
    EXPECT_LAST_ERROR(m.error);
  }
}

// SetFileAttributesW replaces every settable bit, ARCHIVE included: a file left with no bit reads
// back as NORMAL, which is valid only alone.
CHECK_CASE(files, set_attributes_keeps_exactly_the_bits_set) {
  conformance::SkipOnWine(
      "Wine reports FILE_ATTRIBUTE_ARCHIVE on every file whatever SetFileAttributesW set, so "
      "ARCHIVE cannot be cleared and NORMAL never reads back; Windows documents NORMAL as the "
      "attribute of a file that has no other attribute set");
  Folder dir;
  WideString plain = dir(WS("plain.txt"));
  EXPECT_TRUE_(Put(plain, "x"));
  struct Case {
    DWORD set;
    DWORD get;
  } cases[] = {
      {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY},
      {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
      {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_SYSTEM},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY},
      {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    BOOL ok = SetFileAttributesW(plain.c_str(), c.set);
    std::string label = "set " + conformance::Show(c.set);
    EXPECT_SAME(label + (ok ? " worked" : " failed"), label + " worked");
    EXPECT_LAST_ERROR(kSentinel);
    DWORD attributes = Attributes(plain);
    EXPECT_SAME(label + " -> " + conformance::Show(attributes),
                label + " -> " + conformance::Show(c.get));
  }
}

// FindFirstFileW/FindNextFileW: wildcards "*" and "?" over the last name without regard to
// case, "*.*" matching a name without a dot, a name without wildcards finding that one entry (a
// folder with DIRECTORY), and the failures: a trailing backslash, no match (2), a missing folder
// (3). Every search that finds something ends with ERROR_NO_MORE_FILES.
CHECK_CASE(files, find_matches_names_and_fails_with_its_codes) {
  Folder dir;
  for (const WCHAR* name :
       {WS("alpha.txt"), WS("Beta.TXT"), WS("README"), WS("abc.dat"), WS("abbc.dat")}) {
    EXPECT_TRUE_(Put(dir(name), "12345"));
  }
  EXPECT_TRUE_(CreateDirectoryW(dir(WS("Sub")).c_str(), nullptr));
  EXPECT_TRUE_(Put(dir(WS("Sub\\inner.txt")), "x"));

  struct Case {
    const WCHAR* pattern;
    std::string names;  // sorted; empty when the search fails
    DWORD error;        // the last error of a failed FindFirstFileW
  } cases[] = {
      {WS("*"), "Beta.TXT,README,Sub,abbc.dat,abc.dat,alpha.txt", 0},
      {WS("*.*"), "Beta.TXT,README,Sub,abbc.dat,abc.dat,alpha.txt", 0},
      {WS("*.txt"), "Beta.TXT,alpha.txt", 0},
      {WS("*.TXT"), "Beta.TXT,alpha.txt", 0},
      {WS("a?c.dat"), "abc.dat", 0},
      {WS("a*c.dat"), "abbc.dat,abc.dat", 0},
      {WS("?eta.txt"), "Beta.TXT", 0},
      {WS("readme"), "README", 0},
      {WS("README"), "README", 0},
      {WS("sub"), "Sub", 0},
      {WS("Sub\\*"), "inner.txt", 0},
      {WS("z*"), "", ERROR_FILE_NOT_FOUND},
      {WS("absent.txt"), "", ERROR_FILE_NOT_FOUND},
      {WS("NoSuchFolder\\*"), "", ERROR_PATH_NOT_FOUND},
      {WS("NoSuchFolder\\absent.txt"), "", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    DWORD first_error = 0, end_error = 0;
    bool intact = false;
    std::vector<Entry> found = Search(dir(c.pattern), &first_error, &end_error, &intact);
    std::string label = Narrow(c.pattern) + ": ";
    EXPECT_SAME(label + Names(found), label + c.names);
    EXPECT_SAME(label + "first error " + std::to_string(first_error),
                label + "first error " + std::to_string(c.error));
    if (!c.names.empty()) {
      EXPECT_SAME(label + "ends with " + std::to_string(end_error), label + "ends with 18");
    }
    EXPECT_TRUE_(intact);
  }

  // What one entry carries: the bare name, the attribute bits, the size.
  DWORD first_error = 0, end_error = 0;
  bool intact = false;
  std::vector<Entry> found = Search(dir(WS("*")), &first_error, &end_error, &intact);
  for (const Entry& entry : found) {
    if (entry.name == "Sub") {
      EXPECT_SAME(entry.attributes & FILE_ATTRIBUTE_DIRECTORY,
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    } else {
      EXPECT_SAME(entry.name + " " + conformance::Show(entry.attributes),
                  entry.name + " " + conformance::Show(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)));
      EXPECT_SAME(entry.name + " size " + std::to_string(entry.size), entry.name + " size 5");
    }
  }
  found = Search(dir(WS("sub")), &first_error, &end_error, &intact);
  EXPECT_SAME(found.size(), static_cast<size_t>(1));
  if (found.size() == 1) {
    EXPECT_SAME(found[0].attributes & FILE_ATTRIBUTE_DIRECTORY,
                static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  }
}

// A folder path with a trailing backslash names no entry: the search fails.
CHECK_CASE(files, find_with_a_trailing_backslash_fails) {
  Folder dir;
  EXPECT_TRUE_(CreateDirectoryW(dir(WS("Sub")).c_str(), nullptr));
  EXPECT_TRUE_(Put(dir(WS("Sub\\inner.txt")), "x"));
  DWORD first_error = 0, end_error = 0;
  bool intact = false;
  std::vector<Entry> found = Search(dir(WS("Sub\\")), &first_error, &end_error, &intact);
  EXPECT_SAME(Names(found), std::string(""));
  EXPECT_SAME(first_error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE_(intact);
}

// Windows CE file systems list no "." or ".." entries in any folder (desktop Windows lists both in
// every folder below a drive's root), so on CE a search of a folder finds its own entries only.
CE_ONLY_CASE(files, find_lists_no_dot_entries) {
  Folder dir;
  EXPECT_TRUE_(Put(dir(WS("only.txt")), "x"));
  WIN32_FIND_DATAW data;
  for (const WCHAR* pattern : {WS("*"), WS("*.*"), WS(".*")}) {
    std::vector<std::string> names;
    HANDLE search = FindFirstFileW(dir(pattern).c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        names.push_back(Narrow(data.cFileName));
      } while (FindNextFileW(search, &data) && names.size() < 10);
      FindClose(search);
    }
    std::string joined;
    for (const auto& name : names) joined += (joined.empty() ? "" : ",") + name;
    std::string expected = std::string(Narrow(pattern) == ".*" ? "" : "only.txt");
    EXPECT_SAME(Narrow(pattern) + ": " + joined, Narrow(pattern) + ": " + expected);
  }
}

// DeleteFileW refuses a file that is open (ERROR_SHARING_VIOLATION) and leaves its data readable;
// once the handle is closed the delete works. A missing file is 2, one in a missing folder 3.
CHECK_CASE(files, delete_refuses_an_open_file_and_reports_missing) {
  Folder dir;
  WideString path = dir(WS("busy.txt"));
  EXPECT_TRUE_(Put(path, "still here"));
  for (DWORD share : {kShareNone, kShareRead, kShareAll}) {
    HANDLE open = Open(path, kRead, share, OPEN_EXISTING);
    SetLastError(kSentinel);
    BOOL deleted = DeleteFileW(path.c_str());
    std::string label = "open with share " + ShareName(share) + ": delete ";
    EXPECT_SAME(label + (deleted ? "worked" : "failed " + std::to_string(GetLastError())),
                label + "failed 32");
    EXPECT_RESULT(ReadRest(open), std::string("still here"));
    CloseHandle(open);
  }
  SetLastError(kSentinel);
  EXPECT_TRUE_(DeleteFileW(path.c_str()));
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_RESULT(Attributes(path), kNoAttributes);

  struct Case {
    WideString path;
    DWORD error;
  } cases[] = {
      {path, ERROR_FILE_NOT_FOUND},
      {dir(WS("NoSuchFolder\\busy.txt")), ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_RESULT(DeleteFileW(c.path.c_str()), FALSE);
    EXPECT_LAST_ERROR(c.error);
  }
}

// DeleteFileW of a file open with FILE_SHARE_DELETE works, and the handle still reads the data;
// once it is closed the file is gone. Without FILE_SHARE_DELETE the delete fails with
// ERROR_SHARING_VIOLATION and the file stays. (Desktop Windows documents FILE_SHARE_DELETE; CE's
// documentation leaves it unconfirmed, and cehost follows desktop Windows.)
CHECK_CASE(files, delete_of_a_file_open_with_share_delete_works) {
  Folder dir;
  WideString path = dir(WS("doomed.txt"));
  for (bool share_delete : {false, true}) {
    EXPECT_TRUE_(Put(path, "still here"));
    DWORD share = kShareAll | (share_delete ? FILE_SHARE_DELETE : 0);
    HANDLE open = Open(path, kRead, share, OPEN_EXISTING);
    SetLastError(kSentinel);
    BOOL deleted = DeleteFileW(path.c_str());
    std::string label = std::string(share_delete ? "with" : "without") + " FILE_SHARE_DELETE: ";
    EXPECT_SAME(label + (deleted ? "worked" : "failed " + std::to_string(GetLastError())),
                label + (share_delete ? "worked" : "failed 32"));
    EXPECT_ROW(label, ReadRest(open), std::string("still here"));
    CloseHandle(open);
    EXPECT_ROW(label, Attributes(path) == kNoAttributes, share_delete);
  }
}

// CopyFileW with bFailIfExists fails on an existing target with ERROR_FILE_EXISTS and leaves it
// untouched; without it the target is replaced. A missing source is 2.
CHECK_CASE(files, copy_with_and_without_fail_if_exists) {
  Folder dir;
  WideString source = dir(WS("from.txt"));
  WideString target = dir(WS("to.txt"));
  WideString fresh = dir(WS("new.txt"));
  EXPECT_TRUE_(Put(source, "source bytes"));
  EXPECT_TRUE_(Put(target, "old"));

  SetLastError(kSentinel);
  EXPECT_RESULT(CopyFileW(source.c_str(), target.c_str(), TRUE), FALSE);
  EXPECT_LAST_ERROR(ERROR_FILE_EXISTS);
  EXPECT_RESULT(Contents(target), std::string("old"));

  EXPECT_TRUE_(CopyFileW(source.c_str(), target.c_str(), FALSE));
  EXPECT_RESULT(Contents(target), std::string("source bytes"));
  EXPECT_TRUE_(CopyFileW(source.c_str(), fresh.c_str(), TRUE));
  EXPECT_RESULT(Contents(fresh), std::string("source bytes"));
  EXPECT_RESULT(Contents(source), std::string("source bytes"));

  SetLastError(kSentinel);
  EXPECT_RESULT(CopyFileW(dir(WS("absent.txt")).c_str(), dir(WS("other.txt")).c_str(), FALSE),
                FALSE);
  EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
  EXPECT_RESULT(Attributes(dir(WS("other.txt"))), kNoAttributes);
}

// RemoveDirectoryW leaves a folder that holds anything (ERROR_DIR_NOT_EMPTY) with its contents,
// and removes it once it is empty.
CHECK_CASE(files, remove_directory_only_when_empty) {
  Folder dir;
  WideString folder = dir(WS("Full"));
  WideString inner = dir(WS("Full\\inner.txt"));
  EXPECT_TRUE_(CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_TRUE_(Put(inner, "kept"));
  SetLastError(kSentinel);
  EXPECT_RESULT(RemoveDirectoryW(folder.c_str()), FALSE);
  EXPECT_LAST_ERROR(ERROR_DIR_NOT_EMPTY);
  EXPECT_RESULT(Attributes(folder), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_RESULT(Contents(inner), std::string("kept"));

  EXPECT_TRUE_(DeleteFileW(inner.c_str()));
  SetLastError(kSentinel);
  EXPECT_TRUE_(RemoveDirectoryW(folder.c_str()));
  EXPECT_LAST_ERROR(kSentinel);
  SetLastError(kSentinel);
  EXPECT_RESULT(Attributes(folder), kNoAttributes);
  EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
}

// GetFileSize reports the size, high part included. A size that cannot be mistaken for the
// failure value (0, 5) leaves the last error alone; a size whose low part is INVALID_FILE_SIZE
// sets it to 0, which is how a caller tells that size from a failure.
CHECK_CASE(files, get_file_size) {
  Folder dir;
  struct Case {
    const WCHAR* name;
    std::string bytes;
  } cases[] = {{WS("empty.bin"), ""}, {WS("five.bin"), "12345"}};
  for (const Case& c : cases) {
    EXPECT_TRUE_(Put(dir(c.name), c.bytes));
    HANDLE file = Open(dir(c.name), kRead, kShareAll, OPEN_EXISTING);
    DWORD high = 0xBEEF;
    SetLastError(kSentinel);
    DWORD size = GetFileSize(file, &high);
    EXPECT_SAME(Narrow(c.name) + " " + std::to_string(size),
                Narrow(c.name) + " " + std::to_string(c.bytes.size()));
    EXPECT_SAME(high, static_cast<DWORD>(0));
    EXPECT_LAST_ERROR(kSentinel);
    SetLastError(kSentinel);
    EXPECT_RESULT(GetFileSize(file, nullptr), static_cast<DWORD>(c.bytes.size()));
    EXPECT_LAST_ERROR(kSentinel);
    CloseHandle(file);
  }

  // A sparse file of 0xFFFFFFFF bytes.
  WideString path = dir(WS("huge.bin"));
  HANDLE file = Open(path, kReadWrite, 0, CREATE_NEW);
  LONG high = 0;
  SetFilePointer(file, -1, &high, FILE_BEGIN);
  EXPECT_TRUE_(SetEndOfFile(file));
  DWORD size_high = 0xBEEF;
  SetLastError(kSentinel);
  DWORD size = GetFileSize(file, &size_high);
  EXPECT_SAME(size, static_cast<DWORD>(INVALID_FILE_SIZE));
  EXPECT_SAME(size_high, static_cast<DWORD>(0));
  EXPECT_LAST_ERROR(0);
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  EXPECT_TRUE_(SetEndOfFile(file));
  CloseHandle(file);
}

// SetFilePointer moves from the start, the current position and the end; moving past the end is
// allowed and changes nothing until something is written; a move before the start fails with
// ERROR_NEGATIVE_SEEK and leaves the pointer where it was. A move that works leaves the last
// error alone, unless the new pointer's low part equals INVALID_SET_FILE_POINTER: then the last
// error is 0, which is how a caller tells that pointer from a failure.
CHECK_CASE(files, set_file_pointer_moves_and_may_pass_the_end) {
  Folder dir;
  WideString path = dir(WS("pointer.bin"));
  EXPECT_TRUE_(Put(path, "0123456789"));
  HANDLE file = Open(path, kReadWrite, 0, OPEN_EXISTING);
  struct Step {
    LONG distance;
    DWORD method;
    DWORD result;
    std::string rest;  // what reading from there finds ("-" for no read)
  } steps[] = {
      {3, FILE_BEGIN, 3, "-"},
      {2, FILE_CURRENT, 5, "-"},
      {-1, FILE_END, 9, "9"},
      {-4, FILE_CURRENT, 6, "6789"},
      {0, FILE_CURRENT, 10, ""},
      {5, FILE_END, 15, ""},
      {-20, FILE_CURRENT, INVALID_SET_FILE_POINTER, "-"},
      {0, FILE_CURRENT, 15, "-"},
  };
  for (const Step& step : steps) {
    SetLastError(kSentinel);
    DWORD result = SetFilePointer(file, step.distance, nullptr, step.method);
    DWORD error = GetLastError();
    std::string label =
        "move " + std::to_string(step.distance) + " from " + std::to_string(step.method) + ": ";
    EXPECT_SAME(label + std::to_string(result), label + std::to_string(step.result));
    DWORD expected_error =
        step.result == INVALID_SET_FILE_POINTER ? ERROR_NEGATIVE_SEEK : kSentinel;
    EXPECT_SAME(label + "error " + std::to_string(error),
                label + "error " + std::to_string(expected_error));
    if (step.rest != "-") {
      std::string rest = ReadRest(file);
      EXPECT_SAME(label + rest, label + step.rest);
    }
  }
  EXPECT_RESULT(GetFileSize(file, nullptr), static_cast<DWORD>(10));
  DWORD written = 0;
  EXPECT_TRUE_(WriteFile(file, "X", 1, &written, nullptr));
  EXPECT_RESULT(GetFileSize(file, nullptr), static_cast<DWORD>(16));

  // A pointer of 0xFFFFFFFF, reached with a high part, is a success with the last error 0.
  LONG high = 0;
  SetLastError(kSentinel);
  DWORD low = SetFilePointer(file, -1, &high, FILE_BEGIN);
  EXPECT_SAME(low, static_cast<DWORD>(INVALID_SET_FILE_POINTER));
  EXPECT_LAST_ERROR(0);
  EXPECT_SAME(high, static_cast<LONG>(0));
  CloseHandle(file);
}

// SetEndOfFile makes the file end at the pointer, shrinking or growing it, and keeps the pointer
// and the bytes before it.
CHECK_CASE(files, set_end_of_file_shrinks_and_grows) {
  Folder dir;
  WideString path = dir(WS("resize.bin"));
  EXPECT_TRUE_(Put(path, "0123456789"));
  HANDLE file = Open(path, kReadWrite, 0, OPEN_EXISTING);
  struct Step {
    DWORD pointer;
    DWORD size;
  } steps[] = {{4, 4}, {20, 20}, {0, 0}, {7, 7}};
  for (const Step& step : steps) {
    SetFilePointer(file, static_cast<LONG>(step.pointer), nullptr, FILE_BEGIN);
    SetLastError(kSentinel);
    BOOL ok = SetEndOfFile(file);
    std::string label = "end at " + std::to_string(step.pointer) + ": ";
    EXPECT_SAME(label + (ok ? "worked" : "failed"), label + "worked");
    EXPECT_LAST_ERROR(kSentinel);
    DWORD size = GetFileSize(file, nullptr);
    DWORD pointer = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    EXPECT_SAME(label + "size " + std::to_string(size),
                label + "size " + std::to_string(step.size));
    EXPECT_SAME(label + "pointer " + std::to_string(pointer),
                label + "pointer " + std::to_string(step.pointer));
  }
  CloseHandle(file);
  file = Open(path, kReadWrite, 0, OPEN_EXISTING);
  EXPECT_TRUE_(SetFilePointer(file, 4, nullptr, FILE_BEGIN) == 4);
  EXPECT_TRUE_(SetEndOfFile(file));
  CloseHandle(file);
  std::string kept = Contents(path);
  EXPECT_SAME(kept.size(), static_cast<size_t>(4));
}

// ReadFile at the end of the file succeeds with 0 bytes read; a read that reaches the end
// returns what is there and writes nothing past it.
CHECK_CASE(files, read_at_end_of_file_is_true_with_zero_bytes) {
  Folder dir;
  WideString path = dir(WS("short.bin"));
  EXPECT_TRUE_(Put(path, "abcd"));
  HANDLE file = Open(path, kRead, kShareAll, OPEN_EXISTING);
  Guarded buffer(10);
  std::memset(buffer.data(), '.', buffer.size());
  DWORD got = 77;
  SetLastError(kSentinel);
  EXPECT_TRUE_(ReadFile(file, buffer.data(), 10, &got, nullptr));
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_SAME(got, static_cast<DWORD>(4));
  EXPECT_SAME(std::string(reinterpret_cast<char*>(buffer.data()), 10), std::string("abcd......"));
  EXPECT_TRUE_(buffer.Intact());
  for (int attempt = 0; attempt < 2; ++attempt) {
    got = 77;
    SetLastError(kSentinel);
    EXPECT_TRUE_(ReadFile(file, buffer.data(), 10, &got, nullptr));
    EXPECT_LAST_ERROR(kSentinel);
    EXPECT_SAME(got, static_cast<DWORD>(0));
  }
  CloseHandle(file);
}

// Writing 0 bytes succeeds and changes nothing: it does not truncate at the pointer.
CHECK_CASE(files, write_of_zero_bytes_does_not_truncate) {
  Folder dir;
  WideString path = dir(WS("keep.bin"));
  EXPECT_TRUE_(Put(path, "0123456789"));
  HANDLE file = Open(path, kReadWrite, 0, OPEN_EXISTING);
  for (LONG at : {0, 4}) {
    SetFilePointer(file, at, nullptr, FILE_BEGIN);
    DWORD written = 77;
    SetLastError(kSentinel);
    EXPECT_TRUE_(WriteFile(file, "", 0, &written, nullptr));
    EXPECT_LAST_ERROR(kSentinel);
    EXPECT_SAME(written, static_cast<DWORD>(0));
    EXPECT_RESULT(GetFileSize(file, nullptr), static_cast<DWORD>(10));
  }
  CloseHandle(file);
  EXPECT_RESULT(Contents(path), std::string("0123456789"));
}

// A handle reads only when opened for reading and writes only when opened for writing; the other
// call fails with ERROR_ACCESS_DENIED and moves nothing. SetEndOfFile through a handle without
// write access fails and leaves the file as it was. (Which code it fails with is not documented:
// cehost gives ERROR_ACCESS_DENIED, Wine the host truncate's ERROR_INVALID_PARAMETER.)
CHECK_CASE(files, handle_access_limits_reads_and_writes) {
  Folder dir;
  WideString path = dir(WS("access.bin"));
  EXPECT_TRUE_(Put(path, "0123"));
  HANDLE writer = Open(path, kWrite, kShareAll, OPEN_EXISTING);
  HANDLE reader = Open(path, kRead, kShareAll, OPEN_EXISTING);
  char buffer[8];
  DWORD count = 77;
  SetLastError(kSentinel);
  EXPECT_RESULT(ReadFile(writer, buffer, 4, &count, nullptr), FALSE);
  EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
  EXPECT_SAME(count, static_cast<DWORD>(0));
  count = 77;
  SetLastError(kSentinel);
  EXPECT_RESULT(WriteFile(reader, "zz", 2, &count, nullptr), FALSE);
  EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
  EXPECT_SAME(count, static_cast<DWORD>(0));
  SetFilePointer(reader, 2, nullptr, FILE_BEGIN);
  EXPECT_RESULT(SetEndOfFile(reader), FALSE);
  CloseHandle(writer);
  CloseHandle(reader);
  EXPECT_RESULT(Contents(path), std::string("0123"));
}

// Two handles of one file each have their own file pointer: reading through one does not move
// the other.
CHECK_CASE(files, each_handle_has_its_own_pointer) {
  Folder dir;
  WideString path = dir(WS("two.txt"));
  EXPECT_TRUE_(Put(path, "abcdef"));
  HANDLE a = Open(path, kRead, kShareRead, OPEN_EXISTING);
  HANDLE b = Open(path, kRead, kShareRead, OPEN_EXISTING);
  char buffer[3];
  DWORD got = 0;
  EXPECT_TRUE_(ReadFile(a, buffer, 3, &got, nullptr));
  EXPECT_SAME(std::string(buffer, got), std::string("abc"));
  EXPECT_TRUE_(ReadFile(b, buffer, 2, &got, nullptr));
  EXPECT_SAME(std::string(buffer, got), std::string("ab"));
  EXPECT_RESULT(ReadRest(a), std::string("def"));
  EXPECT_RESULT(ReadRest(b), std::string("cdef"));
  CloseHandle(a);
  CloseHandle(b);
}
