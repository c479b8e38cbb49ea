// Writes on a handset whose storage is full or nearly so: they fail with 0 and never leave a
// file half-written.
#include <gtest/gtest.h>

#include <string>

#include "ce/files.h"
#include "frame/exports.h"
#include "ini_support.h"

namespace {

class IniStorageFullTest : public IniTest {
 protected:
  // A fresh handset with that many bytes free, and the folder of the test's file.
  void StartWithFree(int free_bytes) {
    RestartWith("[storage]\nfree_bytes = " + std::to_string(free_bytes) + "\n");
    ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr));
  }
  // The entries of the test's folder.
  static int EntriesInDisk() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(u"\\Disk\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
  }
};

// Appends (a new section, a key to the last section) and rewrites (a value replaced, a key
// inserted before a later section, a key deleted): with no room for the whole new file, each
// fails and the old file stays whole, with nothing left beside it.
TEST_F(IniStorageFullTest, WritesThatDoNotFitLeaveTheFileWhole) {
  const std::u16string kOld = u"[Alpha]\r\n  One=1\r\n[Beta]\r\n  Two=2";
  struct Case {
    const char* what;
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
    int free_bytes;
  };
  const Case kCases[] = {
      {"new section, nothing free", u"Gamma", u"Three", u"3", 0},
      {"new section, part free", u"Gamma", u"Three", u"3", 6},
      {"key appended to the last section", u"Beta", u"Three", u"3", 20},
      {"value replaced", u"Alpha", u"One", u"111", 10},
      {"key inserted before a later section", u"Alpha", u"Three", u"3", 10},
      {"key deleted", u"Alpha", u"One", nullptr, 10},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    StartWithFree(c.free_bytes);
    Put(kOld);
    EXPECT_EQ(IniWriteStringEx(c.section, c.key, c.value, kPath), 0);
    EXPECT_EQ(Text(), kOld);
    EXPECT_EQ(EntriesInDisk(), 1);
  }
}

// IniCreateFileEx on a full storage: no file, or a file cut short of its mark, is never left.
TEST_F(IniStorageFullTest, CreateFailsWithoutLeavingAFile) {
  for (int free_bytes : {0, 1}) {
    SCOPED_TRACE(free_bytes);
    StartWithFree(free_bytes);
    EXPECT_EQ(IniCreateFileEx(kPath), 0);
    EXPECT_EQ(GetFileAttributesW(kPath), INVALID_FILE_ATTRIBUTES);
  }
  // A file without the mark is replaced: its own bytes make the room for the mark.
  StartWithFree(0);
  handset().PutFile(kPath, {'x', 'y'});
  EXPECT_EQ(IniCreateFileEx(kPath), 1);
  EXPECT_EQ(Text(), u"");
}

}  // namespace
