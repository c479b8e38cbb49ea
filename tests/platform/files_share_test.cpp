// Share modes between processes as cehost holds them: shares let go by a killed process,
// FILE_SHARE_DELETE, opens that find their file replaced, and rewrites in the INI engine's way
// that lose no update. (The share matrix between two processes is a conformance check.)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "files_helpers.h"
#include "files_peer.h"

namespace {

class FilesShareTest : public FilesTest {
 protected:
  // The peer's command that opens path as handle id.
  static std::string OpenCommand(const std::string& id, const std::string& path, DWORD access,
                                 DWORD share) {
    std::ostringstream text;
    text << "open " << id << " " << path << " " << std::hex << access << " " << share << " "
         << std::dec << OPEN_EXISTING;
    return text.str();
  }
  // The answer an open or a call gives here, in the peer's words.
  static std::string Answer(bool ok) {
    return ok ? "ok" : "error " + std::to_string(GetLastError());
  }
};

TEST_F(FilesShareTest, KilledProcessLetsGoOfItsShares) {
  Put(u"\\held.txt", "x");
  Peer peer(handset().home());
  ASSERT_EQ(peer.Ask(OpenCommand("h", "\\held.txt", GENERIC_READ | GENERIC_WRITE, 0)), "ok");
  EXPECT_FAILS(
      Open(u"\\held.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE) == INVALID_HANDLE_VALUE,
      ERROR_SHARING_VIOLATION);
  EXPECT_FAILS(!DeleteFileW(u"\\held.txt"), ERROR_SHARING_VIOLATION);
  peer.Kill();
  HANDLE h = Open(u"\\held.txt", GENERIC_READ | GENERIC_WRITE, 0);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_TRUE(DeleteFileW(u"\\held.txt"));
}

// DeleteFileW, MoveFileW and DeleteAndRenameFile (either end) of a file open here or in another
// process: they work when the handle shares delete, and the handle keeps the old data; without
// it they fail with 32 and leave every file as it was.
TEST_F(FilesShareTest, ShareDeleteLetsAnOpenFileBeDeletedMovedOrReplaced) {
  enum class Call { kDelete, kMove, kReplaceDest, kReplaceSource };
  struct Case {
    const char* what;
    Call call;
    const char16_t* gone;  // no longer there after the call
    const char16_t* now;   // the name that then holds "new" (or the old data for a move)
    const char* now_holds;
  } cases[] = {
      {"delete", Call::kDelete, u"\\f.txt", nullptr, nullptr},
      {"move", Call::kMove, u"\\f.txt", u"\\g.txt", "old"},
      {"replace dest", Call::kReplaceDest, u"\\other.txt", u"\\f.txt", "new"},
      {"replace source", Call::kReplaceSource, u"\\f.txt", u"\\other.txt", "old"},
  };
  Peer peer(handset().home());
  for (const auto& c : cases)
    for (bool in_peer : {false, true})
      for (bool share_delete : {false, true}) {
        SCOPED_TRACE(testing::Message() << c.what << (in_peer ? " in peer" : " here")
                                        << (share_delete ? " shared" : " not shared"));
        for (const char* name : {"f.txt", "g.txt", "other.txt"})
          std::filesystem::remove(handset().fs_root() / name);
        Put(u"\\f.txt", "old");
        Put(u"\\other.txt", "new");
        DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (share_delete ? FILE_SHARE_DELETE : 0);
        HANDLE here = INVALID_HANDLE_VALUE;
        if (in_peer) {
          ASSERT_EQ(peer.Ask(OpenCommand("f", "\\f.txt", GENERIC_READ, share)), "ok");
        } else {
          here = Open(u"\\f.txt", GENERIC_READ, share);
          ASSERT_NE(here, INVALID_HANDLE_VALUE);
        }
        SetLastError(0);
        BOOL done = c.call == Call::kDelete ? DeleteFileW(u"\\f.txt")
                    : c.call == Call::kMove ? MoveFileW(u"\\f.txt", u"\\g.txt")
                    : c.call == Call::kReplaceDest
                        ? DeleteAndRenameFile(u"\\f.txt", u"\\other.txt")
                        : DeleteAndRenameFile(u"\\other.txt", u"\\f.txt");
        EXPECT_EQ(Answer(done), share_delete ? "ok" : "error 32");
        // The handle reads the data it opened, whatever happened to the name.
        EXPECT_EQ(in_peer ? peer.Ask("read f") : "data " + ReadAll(here), "data old");
        if (in_peer) {
          peer.Ask("close f");
        } else {
          CloseHandle(here);
        }
        if (share_delete) {
          EXPECT_EQ(GetFileAttributesW(c.gone), INVALID_FILE_ATTRIBUTES);
          if (c.now) {
            EXPECT_EQ(Content(c.now), c.now_holds);
          }
        } else {
          EXPECT_EQ(Content(u"\\f.txt"), "old");
          EXPECT_EQ(Content(u"\\other.txt"), "new");
        }
      }
}

TEST_F(FilesShareTest, ShareDeleteTakesNoPartInOpeningConflicts) {
  Put(u"\\d.txt", "x");
  // A handle that shares only delete still keeps readers out; one that shares everything but
  // delete lets them in.
  HANDLE only_delete = Open(u"\\d.txt", GENERIC_READ, FILE_SHARE_DELETE);
  ASSERT_NE(only_delete, INVALID_HANDLE_VALUE);
  EXPECT_FAILS(
      Open(u"\\d.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE) == INVALID_HANDLE_VALUE,
      ERROR_SHARING_VIOLATION);
  CloseHandle(only_delete);
  HANDLE no_delete = Open(u"\\d.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  HANDLE reader = Open(u"\\d.txt", GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  // A query handle without FILE_SHARE_DELETE keeps the file; with it, it does not.
  CloseHandle(no_delete);
  HANDLE query = Open(u"\\d.txt", 0, FILE_SHARE_DELETE);
  EXPECT_TRUE(DeleteFileW(u"\\d.txt"));
  CloseHandle(query);
}

// The host inode of a file in fs/, and the byte of the lock file that is its guard.
off_t GuardByteOf(const std::filesystem::path& file) {
  struct stat st;
  if (stat(file.c_str(), &st) != 0) return -1;
  return static_cast<off_t>(st.st_ino & ((uint64_t{1} << 62) - 1));
}

// True when some descriptor waits for a lock on the byte of the file with the inode.
bool SomeoneWaitsFor(ino_t inode, off_t byte) {
  std::ifstream locks("/proc/locks");
  std::string line;
  std::string wanted = ":" + std::to_string(inode) + " " + std::to_string(byte) + " ";
  while (std::getline(locks, line)) {
    if (line.find("->") != std::string::npos && line.find(wanted) != std::string::npos) return true;
  }
  return false;
}

// An open that found the file at its name and then waited for the file's guard while the file
// was replaced or deleted (as DeleteAndRenameFile and DeleteFileW do under that guard) looks the
// name up again: it gets the new file, or none, never the old one.
TEST_F(FilesShareTest, OpenThatFindsItsFileReplacedLooksAgain) {
  struct Case {
    bool replace;
    const char* expected;
  } cases[] = {{true, "opened new"}, {false, "error 2"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.replace ? "replaced" : "deleted");
    auto file = handset().fs_root() / "f.txt";
    Put(u"\\f.txt", "old");
    Put(u"\\f.new", "new");
    off_t byte = GuardByteOf(file);
    auto lock_path = handset().home() / "fs-locks";
    int lock = open(lock_path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(lock, 0);
    struct stat lock_st;
    ASSERT_EQ(fstat(lock, &lock_st), 0);
    struct flock hold = {};
    hold.l_type = F_WRLCK;
    hold.l_whence = SEEK_SET;
    hold.l_start = byte;
    hold.l_len = 1;
    ASSERT_EQ(fcntl(lock, F_OFD_SETLK, &hold), 0);

    std::string outcome;
    std::thread opener([&] {
      HANDLE h = Open(u"\\f.txt", GENERIC_READ, FILE_SHARE_READ);
      outcome = h == INVALID_HANDLE_VALUE ? "error " + std::to_string(GetLastError())
                                          : "opened " + ReadAll(h);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    });
    // The opener has the old file and waits for its guard.
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!SomeoneWaitsFor(lock_st.st_ino, byte) && std::chrono::steady_clock::now() < give_up)
      std::this_thread::yield();
    EXPECT_TRUE(SomeoneWaitsFor(lock_st.st_ino, byte));
    if (c.replace) {
      std::filesystem::rename(handset().fs_root() / "f.new", file);
    } else {
      std::filesystem::remove(file);
      std::filesystem::remove(handset().fs_root() / "f.new");
    }
    close(lock);
    opener.join();
    EXPECT_EQ(outcome, c.expected);
  }
}

// Two processes with two threads each rewrite one counter file the INI engine's way: every
// rewrite holds the old file, shared for reading and deletion only, until its replacement has
// taken the name. No rewrite is lost.
TEST_F(FilesShareTest, RewritesThroughAReplacementLoseNoUpdate) {
  Put(u"\\counter.txt", "0");
  Peer first(handset().home());
  Peer second(handset().home());
  first.Send("increment \\counter.txt 100 2");
  second.Send("increment \\counter.txt 100 2");
  EXPECT_EQ(first.ReadLine(), "ok");
  EXPECT_EQ(second.ReadLine(), "ok");
  EXPECT_EQ(Content(u"\\counter.txt"), "400");
}

}  // namespace
