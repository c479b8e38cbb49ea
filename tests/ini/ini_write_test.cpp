#include <gtest/gtest.h>

#include <string>

#include "ce/files.h"
#include "ce/kernel.h"
#include "frame/exports.h"
#include "ini_support.h"

namespace {

class IniWriteTest : public IniTest {
 protected:
  INT Set(const char16_t* section, const char16_t* key, const char16_t* value) {
    return IniWriteStringEx(section, key, value, kPath);
  }
};

TEST_F(IniWriteTest, WritesBuildTheDocumentedShape) {
  Put(u"");
  ASSERT_EQ(Set(u"Alpha", u"One", u"1"), 1);
  EXPECT_EQ(Text(), u"[Alpha]\r\n  One=1");
  ASSERT_EQ(Set(u"Alpha", u"Two", u"2"), 1);
  ASSERT_EQ(Set(u"Beta", u"Three", u"3"), 1);
  ASSERT_EQ(Set(u"Alpha", u"Four", u"4"), 1);
  EXPECT_EQ(Text(), u"[Alpha]\r\n  One=1\r\n  Two=2\r\n  Four=4\r\n[Beta]\r\n  Three=3");
  ASSERT_EQ(IniWriteIntEx(u"Beta", u"Neg", -5, kPath), 1);
  ASSERT_EQ(IniWriteIntEx(u"Beta", u"Zero", 0, kPath), 1);
  EXPECT_EQ(Text(),
            u"[Alpha]\r\n  One=1\r\n  Two=2\r\n  Four=4\r\n[Beta]\r\n  Three=3\r\n  Neg=-5\r\n"
            u"  Zero=0");
}

TEST_F(IniWriteTest, ReplacingAValueKeepsEverythingElse) {
  Put(u"[A]\r\n  k=old\r\n  j=1\r\n[B]\r\n  k=last");
  ASSERT_EQ(Set(u"A", u"k", u"new value"), 1);
  EXPECT_EQ(Text(), u"[A]\r\n  k=new value\r\n  j=1\r\n[B]\r\n  k=last");
  ASSERT_EQ(Set(u"B", u"k", u""), 1);
  EXPECT_EQ(Text(), u"[A]\r\n  k=new value\r\n  j=1\r\n[B]\r\n  k=");
  // A line ending in LF alone keeps it.
  Put(u"[A]\n   k=1\n  j=2");
  ASSERT_EQ(Set(u"A", u"k", u"9"), 1);
  EXPECT_EQ(Text(), u"[A]\n   k=9\n  j=2");
}

TEST_F(IniWriteTest, DeletingRemovesExactlyTheKeyOrSection) {
  const std::u16string start = u"[A]\r\n  a=1\r\n[B]\r\n  b=2\r\n    c=3\r\n[C]\r\n  d=4";
  struct {
    const char* what;
    const char16_t* section;
    const char16_t* key;
    std::u16string after;
  } cases[] = {
      {"section in the middle", u"B", nullptr, u"[A]\r\n  a=1\r\n[C]\r\n  d=4"},
      {"last section", u"C", nullptr, u"[A]\r\n  a=1\r\n[B]\r\n  b=2\r\n    c=3\r\n"},
      {"missing section", u"Z", nullptr, start},
      {"a key", u"B", u"b", u"[A]\r\n  a=1\r\n[B]\r\n    c=3\r\n[C]\r\n  d=4"},
      {"a key indented by four", u"B", u"c", u"[A]\r\n  a=1\r\n[B]\r\n  b=2\r\n[C]\r\n  d=4"},
      {"the last key of the file", u"C", u"d",
       u"[A]\r\n  a=1\r\n[B]\r\n  b=2\r\n    c=3\r\n[C]\r\n"},
      {"missing key", u"A", u"zz", start},
      {"key of another section", u"A", u"d", start},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Put(start);
    EXPECT_EQ(Set(c.section, c.key, nullptr), 1);
    EXPECT_EQ(Text(), c.after);
  }
  // A null key deletes the section whatever the value.
  Put(start);
  EXPECT_EQ(IniWriteIntEx(u"A", nullptr, 3, kPath), 1);
  EXPECT_EQ(Text(), u"[B]\r\n  b=2\r\n    c=3\r\n[C]\r\n  d=4");
}

TEST_F(IniWriteTest, LineEndsInNamesOrValuesAreRefused) {
  const std::u16string start = u"[A]\r\n  k=1";
  Put(start);
  EXPECT_EQ(Set(u"A", u"k", u"x\r\n[Evil]\r\n  APN=evil"), 0);
  EXPECT_EQ(Set(u"A", u"k\nAPN", u"x"), 0);
  EXPECT_EQ(Set(u"A]\r\n[B", u"k", u"x"), 0);
  EXPECT_EQ(Set(u"A\r", nullptr, nullptr), 0);
  // A key holding "=" would pass for another key.
  EXPECT_EQ(Set(u"A", u"k=x", u"v"), 0);
  EXPECT_EQ(Text(), start);
  // With a null key the value is not written, so it may hold anything.
  EXPECT_EQ(Set(u"Z", nullptr, u"\r\n"), 1);
}

TEST_F(IniWriteTest, WritesNeedAnExistingWritableIniFile) {
  EXPECT_EQ(Set(u"A", u"k", u"v"), 0);
  EXPECT_EQ(GetFileAttributesW(kPath), INVALID_FILE_ATTRIBUTES);
  Put(u"[A]\r\n  k=1", false);
  EXPECT_EQ(Set(u"A", u"k", u"v"), 0);
  Put(u"[A]\r\n  k=1");
  ASSERT_TRUE(SetFileAttributesW(kPath, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Set(u"A", u"k", u"v"), 0);
  EXPECT_EQ(Text(), u"[A]\r\n  k=1");
  EXPECT_EQ(Set(nullptr, u"k", u"v"), 0);
  EXPECT_EQ(Set(u"", u"k", u"v"), 0);
  EXPECT_EQ(Set(u"A", u"", u"v"), 0);
  EXPECT_EQ(IniWriteStringEx(u"A", u"k", u"v", nullptr), 0);
}

TEST_F(IniWriteTest, AFailedRewriteLeavesTheOldFile) {
  const std::u16string start = u"[A]\r\n  k=1\r\n[B]";
  Put(start);
  // The old file is held open by a reader: the new one cannot take its place.
  HANDLE reader = CreateFileW(kPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Set(u"A", u"k", u"2"), 0);
  CloseHandle(reader);
  EXPECT_EQ(Text(), start);
  EXPECT_EQ(Set(u"A", u"k", u"2"), 1);
  EXPECT_EQ(Text(), u"[A]\r\n  k=2\r\n[B]");
}

// A file whose path has the longest length still gets its rewrite: the new file beside it has a
// name of the same length.
TEST_F(IniWriteTest, RewritesWorkAtTheLongestPath) {
  std::u16string folder = u"\\Disk\\" + std::u16string(200, u'd');
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  std::u16string path = folder + u"\\" + std::u16string(48, u'f') + u".ini";
  ASSERT_EQ(path.size(), 259u);
  ASSERT_EQ(IniCreateFileEx(path.c_str()), 1);
  ASSERT_EQ(IniWriteStringEx(u"A", u"K", u"v", path.c_str()), 1);
  ASSERT_EQ(IniWriteStringEx(u"A", u"K", u"w", path.c_str()), 1);
  LPWSTR value = nullptr;
  ASSERT_EQ(IniReadStringEx(u"A", u"K", &value, path.c_str()), 1);
  EXPECT_EQ(std::u16string(value), u"w");
  delete[] value;
}

TEST_F(IniWriteTest, AppendingNeverLandsBehindHiddenBytes) {
  // Text after a NUL is no part of the file's text; appended text must still be readable.
  Put(std::u16string(u"[A]\r\n  k=1\0junk", 15));
  ASSERT_EQ(Set(u"A", u"j", u"2"), 1);
  EXPECT_EQ(Text(), u"[A]\r\n  k=1\r\n  j=2");
  auto bytes = IniBytes(u"[A]\r\n  k=1");
  bytes.push_back('x');
  handset().PutFile(kPath, bytes);
  ASSERT_EQ(Set(u"B", u"j", u"2"), 1);
  EXPECT_EQ(Text(), u"[A]\r\n  k=1\r\n[B]\r\n  j=2");
  // A key added at the end goes the same way as every other change: the old file is never
  // written in place, a whole new file takes its name.
  handset().journal().Clear();
  ASSERT_EQ(Set(u"B", u"i", u"3"), 1);
  EXPECT_EQ(handset().journal().Entries("file.replace").size(), 1u);
  for (const auto& entry : handset().journal().Entries("file.write"))
    EXPECT_NE(entry.Field("path"), "\\Disk\\test.ini");
  EXPECT_EQ(Text(), u"[A]\r\n  k=1\r\n[B]\r\n  j=2\r\n  i=3");
}

TEST_F(IniWriteTest, CreateKeepsGoodFilesAndReplacesOthers) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  EXPECT_EQ(IniCreateFileEx(kPath), 1);
  EXPECT_EQ(Bytes(), (std::vector<unsigned char>{0xFF, 0xFE}));
  Put(u"[A]\r\n  k=1");
  ASSERT_TRUE(SetFileAttributesW(kPath, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(IniCreateFileEx(u"\\DISK\\TEST.Ini"), 1);
  EXPECT_EQ(Text(), u"[A]\r\n  k=1");
  EXPECT_EQ(GetFileAttributesW(kPath) & FILE_ATTRIBUTE_READONLY, 0u);
  handset().PutFile(kPath, {'[', 'A', ']'});
  EXPECT_EQ(IniCreateFileEx(kPath), 1);
  EXPECT_EQ(Bytes(), (std::vector<unsigned char>{0xFF, 0xFE}));

  const char16_t* refused[] = {u"\\Disk\\a.txt", u"\\Disk\\noext", u"a.ini", u"\\No\\a.ini",
                               u"\\Disk.INI\\a", u".ini",          nullptr};
  for (const char16_t* path : refused) {
    EXPECT_EQ(IniCreateFileEx(path), 0) << (path ? U8(path) : "null");
    if (path) {
      EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
    }
  }
  // A file straight in the root needs no folder check.
  EXPECT_EQ(IniCreateFileEx(u"\\root.INI"), 1);
}

}  // namespace
