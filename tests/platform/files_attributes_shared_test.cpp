// Attribute bits between processes of one handset: changes another process made are seen at
// once, by reads and by the checks that calls make on them; writers in several processes, taking
// turns or at the same time, lose no bit and bring back none of a file moved or deleted; a change
// whose table cannot be saved fails and leaves everything as it was.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cehost/text.h"
#include "files_helpers.h"
#include "files_peer.h"

namespace {

class FilesAttributesSharedTest : public FilesTest {
 protected:
  // The peer's answer to "get" for the bits.
  static std::string PeerBits(DWORD bits) {
    char text[32];
    std::snprintf(text, sizeof text, "attributes 0x%08x", bits);
    return text;
  }
  // The bits in hex, as the peer's commands take them.
  static std::string Hex(DWORD bits) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", bits);
    return text;
  }
  std::string TableText() {
    std::ifstream in(handset().home() / "fs-attributes");
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  // The names in the handset home that start with "fs-attributes", the table's own included.
  std::vector<std::string> TableFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(handset().home())) {
      std::string name = entry.path().filename().string();
      if (name.starts_with("fs-attributes")) names.push_back(name);
    }
    return names;
  }
};

TEST_F(FilesAttributesSharedTest, ChangesOfAnotherProcessAreSeenAtOnce) {
  Put(u"\\a.txt", "a");
  Put(u"\\b.txt", "b");
  Put(u"\\rom.dll", "code");
  ASSERT_TRUE(CreateDirectoryW(u"\\d", nullptr));
  // This process has read the table before the other one changes it.
  EXPECT_EQ(GetFileAttributesW(u"\\a.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesW(u"\\b.txt"), FILE_ATTRIBUTE_ARCHIVE);
  Peer peer(handset().home());
  ASSERT_EQ(peer.Ask("attributes \\a.txt " + Hex(FILE_ATTRIBUTE_HIDDEN)), "ok");
  ASSERT_EQ(peer.Ask("attributes \\b.txt " + Hex(FILE_ATTRIBUTE_SYSTEM)), "ok");
  EXPECT_EQ(GetFileAttributesW(u"\\a.txt"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributesW(u"\\b.txt"), FILE_ATTRIBUTE_SYSTEM);

  // Searches see them as well.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(u"\\?.txt", &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  int entries = 0;
  do {
    ++entries;
    std::u16string name(found.cFileName);
    EXPECT_EQ(found.dwFileAttributes,
              name == u"a.txt" ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_SYSTEM)
        << U8(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  EXPECT_EQ(entries, 2);

  // So do the calls that refuse read-only folders and files in ROM.
  ASSERT_EQ(peer.Ask("attributes \\d " + Hex(FILE_ATTRIBUTE_READONLY)), "ok");
  ASSERT_EQ(peer.Ask("attributes \\rom.dll " + Hex(FILE_ATTRIBUTE_INROM)), "ok");
  EXPECT_FAILS(!RemoveDirectoryW(u"\\d"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!DeleteFileW(u"\\rom.dll"), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(Open(u"\\rom.dll", GENERIC_WRITE) == INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!SetFileAttributesW(u"\\rom.dll", FILE_ATTRIBUTE_NORMAL), ERROR_ACCESS_DENIED);
}

// Both processes mounted the handset before either changed a bit; each change then rewrites the
// table, and none may drop what the other process wrote.
TEST_F(FilesAttributesSharedTest, ProcessesTakingTurnsLoseNoBit) {
  struct Step {
    const char16_t* path;
    DWORD bits;
    bool in_peer;
  } steps[] = {
      {u"\\f0.txt", FILE_ATTRIBUTE_HIDDEN, false},
      {u"\\f1.txt", FILE_ATTRIBUTE_SYSTEM, true},
      {u"\\f2.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, false},
      {u"\\f3.txt", FILE_ATTRIBUTE_TEMPORARY, true},
      {u"\\f4.txt", FILE_ATTRIBUTE_NORMAL, false},
      {u"\\f5.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, true},
  };
  for (const auto& step : steps) Put(step.path, "x");
  EXPECT_EQ(GetFileAttributesW(u"\\f0.txt"), FILE_ATTRIBUTE_ARCHIVE);
  Peer peer(handset().home());
  ASSERT_EQ(peer.Ask("get \\f0.txt"), PeerBits(FILE_ATTRIBUTE_ARCHIVE));
  for (const auto& step : steps) {
    SCOPED_TRACE(U8(step.path));
    if (step.in_peer) {
      ASSERT_EQ(peer.Ask("attributes " + U8(step.path) + " " + Hex(step.bits)), "ok");
    } else {
      ASSERT_TRUE(SetFileAttributesW(step.path, step.bits));
    }
  }
  for (const auto& step : steps) {
    SCOPED_TRACE(U8(step.path));
    EXPECT_EQ(GetFileAttributesW(step.path), step.bits);
    EXPECT_EQ(peer.Ask("get " + U8(step.path)), PeerBits(step.bits));
  }
}

// Another process moves, deletes and replaces files with bits; a later change here must not write
// back the entries this process read before.
TEST_F(FilesAttributesSharedTest, MovesDeletesAndReplacesOfAnotherProcessStay) {
  for (const char16_t* path : {u"\\h.txt", u"\\d.txt", u"\\r.txt", u"\\new.txt", u"\\s.txt"})
    Put(path, "x");
  ASSERT_TRUE(SetFileAttributesW(u"\\h.txt", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(u"\\d.txt", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(u"\\r.txt", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(u"\\new.txt", FILE_ATTRIBUTE_SYSTEM));
  Peer peer(handset().home());
  ASSERT_EQ(peer.Ask("move \\h.txt \\g.txt"), "ok");
  ASSERT_EQ(peer.Ask("delete \\d.txt"), "ok");
  ASSERT_EQ(peer.Ask("replace \\r.txt \\new.txt"), "ok");
  ASSERT_TRUE(SetFileAttributesW(u"\\s.txt", FILE_ATTRIBUTE_TEMPORARY));
  EXPECT_EQ(GetFileAttributesW(u"\\g.txt"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributesW(u"\\r.txt"), FILE_ATTRIBUTE_SYSTEM);
  // A file put at a name whose file went has no bits of it.
  Put(u"\\h.txt", "again");
  EXPECT_EQ(GetFileAttributesW(u"\\h.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(TableText(), "0x00000002 \\g.txt\n0x00000004 \\r.txt\n0x00000100 \\s.txt\n");
  // Every save renamed its temporary file into place.
  EXPECT_EQ(TableFiles(), std::vector<std::string>{"fs-attributes"});
}

// Two other processes and this one set bits at the same time, each on files of its own: every
// bit is there at the end.
TEST_F(FilesAttributesSharedTest, WritersAtTheSameTimeLoseNoBit) {
  constexpr int kFiles = 40;
  const char* prefixes[] = {"\\one", "\\two", "\\here"};
  for (const char* prefix : prefixes)
    for (int i = 0; i < kFiles; ++i) Put(cehost::ToUtf16(prefix + std::to_string(i)).c_str(), "x");
  Peer one(handset().home());
  Peer two(handset().home());
  one.Send("mark \\one " + std::to_string(kFiles));
  two.Send("mark \\two " + std::to_string(kFiles));
  for (int i = 0; i < kFiles; ++i) {
    std::u16string path = u"\\here" + cehost::ToUtf16(std::to_string(i));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  }
  EXPECT_EQ(one.ReadLine(), "ok");
  EXPECT_EQ(two.ReadLine(), "ok");
  const DWORD expected = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  std::vector<std::string> lost;
  for (const char* prefix : prefixes) {
    for (int i = 0; i < kFiles; ++i) {
      std::string path = prefix + std::to_string(i);
      if (GetFileAttributesW(cehost::ToUtf16(path).c_str()) != expected) lost.push_back(path);
    }
  }
  EXPECT_EQ(lost, std::vector<std::string>{});
  EXPECT_EQ(one.Ask("get \\two0"), PeerBits(expected));
}

// The other process may not make files larger than a few bytes, so that no table with entries can
// be saved there. Each change then fails (EFBIG, which cehost reports as ERROR_ACCESS_DENIED) and
// leaves files and table as they were.
TEST_F(FilesAttributesSharedTest, ChangeWhoseTableCannotBeSavedFailsAndChangesNothing) {
  Put(u"\\keep.txt", "keep", FILE_ATTRIBUTE_HIDDEN);
  Put(u"\\gone.txt", "gone", FILE_ATTRIBUTE_HIDDEN);
  Put(u"\\plain.txt", "plain");
  std::string table = TableText();
  Peer peer(handset().home());
  ASSERT_EQ(peer.Ask("limit-file-size 8"), "ok");
  struct Case {
    const char* command;
    const char16_t* absent;  // a name the failed call must not have made
  } cases[] = {
      {"attributes \\plain.txt 5", nullptr},  // READONLY, a mode bit, and SYSTEM
      {"create \\new.txt 2", u"\\new.txt"},
      {"copy \\keep.txt \\copy.txt", u"\\copy.txt"},
      {"delete \\gone.txt", nullptr},
      {"move \\gone.txt \\moved.txt", u"\\moved.txt"},
      {"replace \\keep.txt \\gone.txt", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(peer.Ask(c.command), "error 5");
    if (c.absent) {
      EXPECT_EQ(GetFileAttributesW(c.absent), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(GetFileAttributesW(u"\\plain.txt"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(GetFileAttributesW(u"\\keep.txt"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(GetFileAttributesW(u"\\gone.txt"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(Content(u"\\keep.txt"), "keep");
    EXPECT_EQ(TableText(), table);
    EXPECT_EQ(TableFiles(), std::vector<std::string>{"fs-attributes"});
  }
}

}  // namespace
