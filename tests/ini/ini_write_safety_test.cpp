// Writes that share a file with other writers, readers and a user's own files.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
#include "frame/exports.h"
#include "ini_support.h"

namespace {

class IniWriteSafetyTest : public IniTest {
 protected:
  static std::string Value(const char16_t* section, const char16_t* key, const char16_t* path) {
    LPWSTR value = nullptr;
    if (!IniReadStringEx(section, key, &value, path)) return "<missing>";
    std::string text = U8(value);
    delete[] value;
    return text;
  }
};

// A user's files whose names look like a writer's scratch files are neither read, changed nor
// removed, whatever their attributes; a write leaves the folder as it found it.
TEST_F(IniWriteSafetyTest, OtherFilesOfTheFolderAreNeverTouched) {
  Put(u"[A]\r\n  k=1");
  const std::vector<unsigned char> mine = {'m', 'i', 'n', 'e'};
  handset().PutFile(u"\\Disk\\test.in~", mine);
  handset().PutFile(u"\\Disk\\test.in!", mine);
  handset().PutFile(u"\\Disk\\ro.in~", mine);
  ASSERT_TRUE(SetFileAttributesW(u"\\Disk\\ro.in~", FILE_ATTRIBUTE_READONLY));
  std::set<std::u16string> before = Names(u"\\Disk");

  ASSERT_EQ(IniWriteStringEx(u"A", u"k", u"2", kPath), 1);
  ASSERT_EQ(IniWriteStringEx(u"A", u"j", u"3", kPath), 1);
  ASSERT_EQ(IniWriteStringEx(u"A", u"k", nullptr, kPath), 1);
  EXPECT_EQ(Text(), u"[A]\r\n  j=3");
  EXPECT_EQ(Names(u"\\Disk"), before);
  for (const char16_t* other : {u"\\Disk\\test.in~", u"\\Disk\\test.in!", u"\\Disk\\ro.in~"})
    EXPECT_EQ(handset().ReadFile(other), mine) << U8(other);
}

// At the longest path there is room for a one-character name beside the file: the write tries
// every such name, takes the one that is free and leaves the others' files alone.
TEST_F(IniWriteSafetyTest, ALongPathWithAlmostEveryNameTakenStillWrites) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  std::u16string folder = u"\\Disk\\" + std::u16string(251, u'd');
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  std::u16string path = folder + u"\\x";
  ASSERT_EQ(path.size(), 259u);
  handset().PutFile(path, IniBytes(u"[A]\r\n  k=1"));
  const std::u16string digits = u"0123456789ABCDEFGHIJKLMNOPQRSTU";  // all but "V"
  for (char16_t c : digits) handset().PutFile(folder + u"\\" + c, {'u'});

  EXPECT_EQ(IniWriteStringEx(u"A", u"k", u"2", path.c_str()), 1);
  EXPECT_EQ(Value(u"A", u"k", path.c_str()), "2");
  for (char16_t c : digits)
    EXPECT_EQ(handset().ReadFile(folder + u"\\" + c), std::vector<unsigned char>{'u'});
  EXPECT_EQ(Names(folder).size(), digits.size() + 1);

  // With every name taken, the write fails and the file stays as it was.
  handset().PutFile(folder + u"\\V", {'u'});
  EXPECT_EQ(IniWriteStringEx(u"A", u"k", u"3", path.c_str()), 0);
  EXPECT_EQ(Value(u"A", u"k", path.c_str()), "2");
  EXPECT_EQ(Names(folder).size(), digits.size() + 2);
}

// While another writer holds the file, a write answers 0 and changes nothing; so does a write
// while a reader holds it.
TEST_F(IniWriteSafetyTest, AFileInUseIsRefusedNotOverwritten) {
  const std::u16string start = u"[A]\r\n  k=1";
  Put(start);
  for (DWORD share : {FILE_SHARE_READ | FILE_SHARE_DELETE, DWORD{FILE_SHARE_READ}}) {
    DWORD access = share & FILE_SHARE_DELETE ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    HANDLE other = CreateFileW(kPath, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(IniWriteStringEx(u"A", u"k", u"2", kPath), 0);
    EXPECT_EQ(IniWriteStringEx(u"B", u"k", u"2", kPath), 0);
    CloseHandle(other);
    EXPECT_EQ(Text(), start);
  }
  EXPECT_EQ(Names(u"\\Disk"), std::set<std::u16string>{u"test.ini"});
}

// Threads writing keys of their own to one file, each retrying a write that found the file in
// use: every write that answered 1 is in the file at the end, and the file is whole.
TEST_F(IniWriteSafetyTest, ConcurrentWritersLoseNothing) {
  Put(u"[Shared]\r\n  start=1");
  constexpr int kThreads = 4;
  constexpr int kKeys = 25;
  std::vector<std::thread> writers;
  std::vector<int> refused(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t, &refused] {
      for (int k = 0; k < kKeys; ++k) {
        std::u16string section = k % 2 ? u"Shared" : u"Thread" + std::u16string(1, u'A' + t);
        std::u16string key = std::u16string(1, u'a' + t) + std::u16string(1, u'A' + k);
        std::u16string value(1 + k * 7, u'0' + t);
        // Bounded, so that a write that can never succeed fails the test instead of hanging it.
        while (IniWriteStringEx(section.c_str(), key.c_str(), value.c_str(), kPath) != 1 &&
               refused[t] < 1000000)
          ++refused[t];
      }
    });
  }
  for (auto& writer : writers) writer.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      std::u16string section = k % 2 ? u"Shared" : u"Thread" + std::u16string(1, u'A' + t);
      std::u16string key = std::u16string(1, u'a' + t) + std::u16string(1, u'A' + k);
      EXPECT_EQ(Value(section.c_str(), key.c_str(), kPath), std::string(1 + k * 7, '0' + t))
          << "thread " << t << " key " << k;
    }
  }
  EXPECT_EQ(Value(u"Shared", u"start", kPath), "1");
  EXPECT_EQ(Names(u"\\Disk"), std::set<std::u16string>{u"test.ini"});
}

}  // namespace
