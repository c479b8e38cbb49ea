// Files larger than a load reads at once (parts of 256 KiB), and paths that are no INI file's.
#include <gtest/gtest.h>

#include <string>

#include "ce/files.h"
#include "frame/exports.h"
#include "ini_support.h"

namespace {

class IniLargeFileTest : public IniTest {
 protected:
  // A filler section whose one line ends right before position at, then the text.
  static std::u16string At(size_t at, const std::u16string& text) {
    std::u16string filler = u"[Fill]\r\n  f=";
    filler.append(at - filler.size() - 2, u'x');
    return filler + u"\r\n" + text;
  }
  std::u16string Read(const char16_t* section, const char16_t* key) {
    LPWSTR value = nullptr;
    INT result = IniReadStringEx(section, key, &value, kPath);
    std::u16string read = result == 1 && value ? value : u"(none)";
    delete[] value;
    return read;
  }
};

TEST_F(IniLargeFileTest, HeadersAndKeysAroundThePartsOfALoad) {
  const std::u16string tail = u"[Sought]\r\n  k=v\r\n[Next]\r\n  k=w";
  // Text position p is character p + 1 of the file (after the mark): the parts after the first
  // begin at positions 131071 and 262143.
  for (size_t at : {131068u, 131069u, 131070u, 131071u, 131072u, 262142u, 262143u}) {
    SCOPED_TRACE(at);
    Put(At(at, tail));
    EXPECT_EQ(Read(u"Sought", u"k"), u"v");
    EXPECT_EQ(Read(u"Next", u"k"), u"w");
    EXPECT_EQ(IsExistAppEx(u"Sought", kPath), 1);
    ASSERT_EQ(IniWriteStringEx(u"Sought", u"k", u"new", kPath), 1);
    EXPECT_EQ(Text(), At(at, u"[Sought]\r\n  k=new\r\n[Next]\r\n  k=w"));
    ASSERT_EQ(IniWriteStringEx(u"Next", nullptr, nullptr, kPath), 1);
    EXPECT_EQ(Text(), At(at, u"[Sought]\r\n  k=new\r\n"));
  }
}

TEST_F(IniLargeFileTest, FilesAroundThePartSize) {
  // Files of 256 KiB and a few bytes less or more, the odd sizes with a trailing odd byte.
  for (size_t bytes = 262140; bytes <= 262147; ++bytes) {
    SCOPED_TRACE(bytes);
    std::u16string text = At((bytes - 2) / 2 - 12, u"[S]\r\n  k=");
    text.append((bytes - 2) / 2 - text.size(), u'v');
    auto file = IniBytes(text);
    if (bytes % 2) file.push_back('z');
    ASSERT_EQ(file.size(), bytes);
    handset().PutFile(kPath, file);
    EXPECT_EQ(Read(u"S", u"k"), std::u16string(text.size() - text.rfind(u'=') - 1, u'v'));
  }
}

TEST_F(IniLargeFileTest, NothingAfterANulInALaterPartIsFound) {
  std::u16string text = At(200000, u"[Sought]\r\n  k=v");
  text[150000] = 0;
  Put(text);
  EXPECT_EQ(Read(u"Sought", u"k"), u"(none)");
  EXPECT_EQ(Read(u"Fill", u"f"), std::u16string(150000 - 12, u'x'));
  EXPECT_EQ(IsExistAppEx(u"Sought", kPath), 0);
  // A write keeps the text before the NUL and adds the section after it.
  ASSERT_EQ(IniWriteStringEx(u"Sought", u"k", u"w", kPath), 1);
  EXPECT_EQ(Text(), text.substr(0, 150000) + u"\r\n[Sought]\r\n  k=w");
}

TEST_F(IniLargeFileTest, ATrailingOddByteOfALargeFileIsNoCharacter) {
  auto bytes = IniBytes(At(300000, u"[Sought]\r\n  k=v"));
  bytes.push_back('z');
  handset().PutFile(kPath, bytes);
  EXPECT_EQ(Read(u"Sought", u"k"), u"v");
}

TEST_F(IniLargeFileTest, PathsThatNameNoFileLoadNothing) {
  Put(u"[A]\r\n  k=1");
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk\\folder.ini", nullptr));
  const char16_t* paths[] = {u"\\Disk\\*.ini", u"\\Disk\\test.in?",   u"\\Disk\\test.ini\\",
                             u"\\Disk",        u"\\Disk\\folder.ini", u"\\",
                             u"ACC0:",         u"\\$device\\ACC0",    u"$bus\\USBFN_0",
                             u"USBFN_0",       u"\\Disk:test.ini"};
  for (const char16_t* path : paths) {
    SCOPED_TRACE(U8(path));
    LPWSTR value = nullptr;
    EXPECT_EQ(IniReadStringEx(u"A", u"k", &value, path), 0);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(IsExistAppEx(u"A", path), 0);
    EXPECT_EQ(IniWriteStringEx(u"A", u"k", u"2", path), 0);
  }
  // No device was opened for any of them, and the file is as it was.
  EXPECT_TRUE(handset().journal().EntriesWithPrefix("device.").empty());
  EXPECT_EQ(Text(), u"[A]\r\n  k=1");
}

}  // namespace
