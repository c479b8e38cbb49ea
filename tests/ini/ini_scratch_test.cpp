// The scratch files a write makes beside its INI file: their names, and the removal of those that
// writers killed mid-rewrite left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ce/files.h"
#include "frame/exports.h"
#include "ini/scratch_sweep.h"
#include "ini_support.h"

namespace {

using ScratchBytes = std::vector<unsigned char>;

const ScratchBytes kScratchWritten = IniBytes(u"[A]\r\n  k=half");
constexpr int kLongAgo = 3600;

class IniScratchTest : public IniTest {
 protected:
  // A folder of the test's own, with x.ini in it: a process sweeps a folder once in an
  // interval, and the other tests of this program write in theirs.
  void SetUp() override {
    IniTest::SetUp();
    folder_ = u"\\Disk\\" +
              cehost::ToUtf16(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ini_ = folder_ + u"\\x.ini";
    handset().PutFile(ini_, IniBytes(u"[A]\r\n  k=1"));
  }
  // Puts a file of the folder whose last write was the given number of seconds ago.
  void Plant(const std::u16string& name, const ScratchBytes& bytes, int age_seconds) {
    std::u16string path = name.starts_with(u"\\") ? name : folder_ + u"\\" + name;
    handset().PutFile(path, bytes);
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    ASSERT_EQ(clock_gettime(CLOCK_REALTIME, &times[1]), 0);
    times[1].tv_sec -= age_seconds;
    ASSERT_EQ(utimensat(AT_FDCWD, handset().HostPath(path).c_str(), times, 0), 0);
  }
  std::set<std::u16string> Names() { return IniTest::Names(folder_); }

  std::u16string folder_;
  std::u16string ini_;
};

// The first write in a folder removes the scratch files that writers killed there left behind,
// written or not, and nothing else: not a name outside the exact form, not a file someone holds
// open, not one written lately, not one with a user's attributes or bytes, not a folder, not one
// in another folder.
TEST_F(IniScratchTest, AWriteRemovesExactlyTheAbandonedScratchFiles) {
  Plant(u"~012345678.tmp", kScratchWritten, kLongAgo);
  Plant(u"~ABCDEFGHI.tmp", {}, kLongAgo);      // killed before it wrote
  Plant(u"~VVVVVVVVV.tmp", {0xFF}, kLongAgo);  // killed within its first write
  std::map<std::u16string, ScratchBytes> kept;
  auto keep = [&](const char16_t* name, const ScratchBytes& bytes, int age, DWORD attributes) {
    Plant(name, bytes, age);
    if (attributes) {
      ASSERT_TRUE(SetFileAttributesW((folder_ + u"\\" + name).c_str(), attributes));
    }
    kept[name] = bytes;
  };
  for (const char16_t* name : {u"~ABCDEFGHW.tmp", u"~abcdefghi.tmp", u"~ABCDEFGH.tmp",
                               u"~ABCDEFGHIJ.tmp", u"~ABCDEFGHI.TMP", u"x~ABCDEFGHI.tmp"})
    keep(name, kScratchWritten, kLongAgo, 0);
  keep(u"~LATE00000.tmp", kScratchWritten, 0, 0);
  keep(u"~LATE00001.tmp", kScratchWritten, static_cast<int>(ini::kAbandonedAfter.count()) - 2, 0);
  keep(u"~USER00000.tmp", {'m', 'i', 'n', 'e'}, kLongAgo, 0);
  keep(u"~READ00000.tmp", kScratchWritten, kLongAgo, FILE_ATTRIBUTE_READONLY);
  keep(u"~HIDDEN000.tmp", kScratchWritten, kLongAgo, FILE_ATTRIBUTE_HIDDEN);
  keep(u"~OPEN00000.tmp", kScratchWritten, kLongAgo, 0);
  keep(u"~OPEN00001.tmp", kScratchWritten, kLongAgo, 0);
  // Held open, generously shared and not shared at all.
  HANDLE shared = CreateFileW((folder_ + u"\\~OPEN00000.tmp").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  HANDLE alone = CreateFileW((folder_ + u"\\~OPEN00001.tmp").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(shared, INVALID_HANDLE_VALUE);
  ASSERT_NE(alone, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CreateDirectoryW((folder_ + u"\\~FOLDER000.tmp").c_str(), nullptr));
  Plant(u"\\Disk\\~ABCDEFGHI.tmp", kScratchWritten, kLongAgo);

  EXPECT_EQ(IniWriteStringEx(u"A", u"k", u"2", ini_.c_str()), 1);
  CloseHandle(shared);
  CloseHandle(alone);
  std::set<std::u16string> expected = {u"x.ini", u"~FOLDER000.tmp"};
  for (const auto& [name, bytes] : kept) {
    expected.insert(name);
    EXPECT_EQ(handset().ReadFile(folder_ + u"\\" + name), bytes) << U8(name);
  }
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(handset().ReadFile(u"\\Disk\\~ABCDEFGHI.tmp"), kScratchWritten);
}

// A process looks through a folder once in an interval, not at every write.
TEST_F(IniScratchTest, AFolderIsSweptOnceInAnInterval) {
  Plant(u"~000000001.tmp", kScratchWritten, kLongAgo);
  ASSERT_EQ(IniWriteStringEx(u"A", u"k", u"2", ini_.c_str()), 1);
  EXPECT_EQ(Names(), std::set<std::u16string>{u"x.ini"});
  Plant(u"~000000002.tmp", kScratchWritten, kLongAgo);
  ASSERT_EQ(IniWriteStringEx(u"A", u"k", u"3", ini_.c_str()), 1);
  EXPECT_EQ(Names(), (std::set<std::u16string>{u"x.ini", u"~000000002.tmp"}));
}

// The name after this one in the order a writer tries names: the digits are a number whose
// lowest digit comes first.
std::u16string NextScratchName(std::u16string name) {
  const std::u16string digits = u"0123456789ABCDEFGHIJKLMNOPQRSTUV";
  for (size_t i = 1; i < 10; ++i) {
    size_t value = digits.find(name[i]) + 1;
    name[i] = digits[value % 32];
    if (value < 32) break;
  }
  return name;
}

// A program that saw the name a thread's write used and planted the 64 names from it on (all
// that thread's next write tried when names followed from the process and the thread) no longer
// makes that write fail.
TEST_F(IniScratchTest, PlantedNamesDoNotStopTheNextWrite) {
  for (int round = 0; round < 5; ++round) {
    handset().journal().Clear();
    ASSERT_EQ(IniWriteIntEx(u"A", u"k", round, ini_.c_str()), 1);
    auto made = handset().journal().Entries("file.create");
    ASSERT_EQ(made.size(), 1u);
    std::u16string name = cehost::ToUtf16(made[0].Field("path")).substr(folder_.size() + 1);
    // Young files: the sweep leaves them, as it would a live writer's.
    for (int i = 0; i < 64; ++i, name = NextScratchName(name)) Plant(name, {'u'}, 0);
    EXPECT_EQ(IniWriteIntEx(u"A", u"k", round + 100, ini_.c_str()), 1) << round;
  }
  EXPECT_EQ(Names().size(), 1u + 5 * 64);
}

}  // namespace
