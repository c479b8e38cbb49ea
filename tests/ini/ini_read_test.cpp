#include <gtest/gtest.h>

#include <string>

#include "ce/files.h"
#include "ce/kernel.h"
#include "frame/exports.h"
#include "ini_support.h"

namespace {

struct ReadCase {
  const char* what;
  std::u16string text;
  const char16_t* section;
  const char16_t* key;
  bool found;
  std::u16string value;
};

class IniReadTest : public IniTest {
 protected:
  void Expect(const ReadCase& c) {
    SCOPED_TRACE(c.what);
    Put(c.text);
    LPWSTR value = nullptr;
    INT result = IniReadStringEx(c.section, c.key, &value, kPath);
    EXPECT_EQ(result, c.found ? 1 : 0);
    if (c.found && value) {
      EXPECT_EQ(std::u16string(value), c.value);
    }
    if (!c.found) {
      EXPECT_EQ(value, nullptr);
    }
    delete[] value;
  }
};

TEST_F(IniReadTest, HeadersAreWholeLinesNamedExactly) {
  const ReadCase cases[] = {
      {"CR LF after the header", u"[A]\r\n  k=1", u"A", u"k", true, u"1"},
      {"LF alone after the header", u"[A]\n  k=1", u"A", u"k", true, u"1"},
      {"header after a line", u"x\r\n[A]\r\n  k=1", u"A", u"k", true, u"1"},
      {"space before [", u" [A]\r\n  k=1", u"A", u"k", false, u""},
      {"space after ]", u"[A] \r\n  k=1", u"A", u"k", false, u""},
      {"space inside", u"[ A]\r\n  k=1", u"A", u"k", false, u""},
      {"case matters", u"[a]\r\n  k=1", u"A", u"k", false, u""},
      {"name inside a longer name", u"[XA]\r\n  k=1\r\n[A]\r\n  k=2", u"A", u"k", true, u"2"},
      {"first of two headers wins", u"[A]\r\n  j=1\r\n[A]\r\n  k=2", u"A", u"k", false, u""},
      {"header with nothing after it", u"[B]\r\n  k=1\r\n[A]", u"A", u"k", false, u""},
  };
  for (const auto& c : cases) Expect(c);
}

TEST_F(IniReadTest, SpansEndAtTheNextLineBeginningWithABracket) {
  const ReadCase cases[] = {
      {"key of a later section", u"[A]\r\n  j=1\r\n[B]\r\n  k=2", u"A", u"k", false, u""},
      {"any line with [ ends the span", u"[A]\r\n[junk\r\n  k=1", u"A", u"k", false, u""},
      {"[ inside a value does not", u"[A]\r\n  j=[x]\r\n  k=1", u"A", u"k", true, u"1"},
      {"span runs to the end", u"[A]\r\n  j=1\r\n\r\n  k=2", u"A", u"k", true, u"2"},
  };
  for (const auto& c : cases) Expect(c);
}

TEST_F(IniReadTest, KeysBeginTheirLineAndAreFollowedByEquals) {
  const ReadCase cases[] = {
      {"indented key", u"[A]\r\n  APN=cmnet", u"A", u"APN", true, u"cmnet"},
      {"unindented key", u"[A]\r\nAPN=cmnet", u"A", u"APN", true, u"cmnet"},
      {"key ending another key", u"[A]\r\n  MMSAPN=cmwap", u"A", u"APN", false, u""},
      {"key after a longer one", u"[A]\r\n  MMSAPN=cmwap\r\n  APN=cmnet", u"A", u"APN", true,
       u"cmnet"},
      {"key text inside a value", u"[A]\r\n  Note=APN=x", u"A", u"APN", false, u""},
      {"no equals", u"[A]\r\n  APN cmnet", u"A", u"APN", false, u""},
      {"space before equals", u"[A]\r\n  APN =cmnet", u"A", u"APN", false, u""},
      {"case matters", u"[A]\r\n  apn=cmnet", u"A", u"APN", false, u""},
      {"first of two wins", u"[A]\r\n  k=1\r\n  k=2", u"A", u"k", true, u"1"},
  };
  for (const auto& c : cases) Expect(c);
}

TEST_F(IniReadTest, ValuesRunToTheLineEnd) {
  const ReadCase cases[] = {
      {"CR LF is not part of it", u"[A]\r\n  k=v\r\n  j=w", u"A", u"k", true, u"v"},
      {"LF alone", u"[A]\r\n  k=v\n  j=w", u"A", u"k", true, u"v"},
      {"last line keeps a lone CR", u"[A]\r\n  k=v\r", u"A", u"k", true, u"v\r"},
      {"equals inside", u"[A]\r\n  k=a=b", u"A", u"k", true, u"a=b"},
      {"empty", u"[A]\r\n  k=\r\n  j=w", u"A", u"k", true, u""},
      {"spaces kept", u"[A]\r\n  k= v ", u"A", u"k", true, u" v "},
      {"text ends at a NUL", std::u16string(u"[A]\r\n  k=ab\0cd", 14), u"A", u"k", true, u"ab"},
  };
  for (const auto& c : cases) Expect(c);
}

TEST_F(IniReadTest, FilesThatAreNotIniFilesReadNothing) {
  Put(u"");
  LPWSTR value = nullptr;
  EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, kPath), 0);
  EXPECT_EQ(IsExistAppEx(u"A", kPath), 0);
  Put(u"[A]\r\n  k=1", false);
  EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, kPath), 0);
  EXPECT_EQ(IsExistAppEx(u"A", kPath), 0);
  EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, u"\\Disk\\missing.ini"), 0);
  handset().PutFile(kPath, {0xFF});
  EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, kPath), 0);
  // A trailing odd byte is not a character of the value.
  auto bytes = IniBytes(u"[A]\r\n  k=12");
  bytes.push_back('3');
  handset().PutFile(kPath, bytes);
  ASSERT_EQ(IniReadStringEx(u"A", u"k", &value, kPath), 1);
  EXPECT_EQ(std::u16string(value), u"12");
  delete[] value;
}

TEST_F(IniReadTest, BadArgumentsReadNothing) {
  Put(u"[A]\r\n  k=1");
  LPWSTR value = nullptr;
  INT number = 5;
  EXPECT_EQ(IniReadStringEx(nullptr, u"k", &value, kPath), 0);
  EXPECT_EQ(IniReadStringEx(u"", u"k", &value, kPath), 0);
  EXPECT_EQ(IniReadStringEx(u"A", nullptr, &value, kPath), 0);
  EXPECT_EQ(IniReadStringEx(u"A", u"", &value, kPath), 0);
  EXPECT_EQ(IniReadStringEx(u"A", u"k", nullptr, kPath), 0);
  EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, nullptr), 0);
  EXPECT_EQ(IniReadIntEx(u"A", u"k", nullptr, kPath), 0);
  EXPECT_EQ(IsExistAppEx(nullptr, kPath), 0);
  EXPECT_EQ(IsExistAppEx(u"", kPath), 0);
  EXPECT_EQ(IsExistAppEx(u"A", nullptr), 0);
  EXPECT_EQ(number, 5);
}

TEST_F(IniReadTest, IntegersReadAsTheRunTimeReadsThem) {
  struct {
    const char16_t* value;
    INT number;
  } cases[] = {{u"12abc", 12},  {u"abc", 0}, {u"", 0},
               {u"  -42", -42}, {u"+7", 7},  {u"2147483648", 0x7FFFFFFF}};
  for (const auto& c : cases) {
    Put(std::u16string(u"[A]\r\n  k=") + c.value);
    INT number = 99;
    EXPECT_EQ(IniReadIntEx(u"A", u"k", &number, kPath), 1);
    EXPECT_EQ(number, c.number) << U8(c.value);
  }
  INT number = 99;
  EXPECT_EQ(IniReadIntEx(u"A", u"missing", &number, kPath), 0);
  EXPECT_EQ(number, 99);
}

TEST_F(IniReadTest, SectionTestWantsACarriageReturnAndAWritableFile) {
  struct {
    std::u16string text;
    INT exists;
  } cases[] = {
      {u"[A]\r\n  k=1", 1}, {u"[A]", 1}, {u"[A]\n  k=1", 0}, {u"[A]\rx", 1}, {u"[A] \r\n", 0}};
  for (const auto& c : cases) {
    Put(c.text);
    EXPECT_EQ(IsExistAppEx(u"A", kPath), c.exists) << U8(c.text);
  }
  // A read-only file is read, but the section test opens it for writing too and fails.
  Put(u"[A]\r\n  k=1");
  ASSERT_TRUE(SetFileAttributesW(kPath, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(IsExistAppEx(u"A", kPath), 0);
  LPWSTR value = nullptr;
  EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, kPath), 1);
  delete[] value;
}

// While another party holds the file open for writing, every reader answers 0 and delivers
// nothing; once it lets go, they read again.
TEST_F(IniReadTest, AFileOpenForWritingElsewhereReadsNothing) {
  Put(u"[A]\r\n  k=1");
  HANDLE writer =
      CreateFileW(kPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  LPWSTR value = nullptr;
  INT number = 5;
  EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, kPath), 0);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(IniReadIntEx(u"A", u"k", &number, kPath), 0);
  EXPECT_EQ(number, 5);
  EXPECT_EQ(IsExistAppEx(u"A", kPath), 0);
  CloseHandle(writer);
  EXPECT_EQ(IniReadIntEx(u"A", u"k", &number, kPath), 1);
  EXPECT_EQ(number, 1);
}

}  // namespace
